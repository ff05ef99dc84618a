// The cost of one caption callback on the subtitle table: the model update, the row heights of the
// changed rows, the scroll to the bottom and the repaint of the visible rows, at 100, 1,000 and
// 5,000 caption lines; and the page resized once (a new width: the rows in view measured and painted,
// the rest measured in slices afterwards). The table is drawn as on the main page, its rows onto the
// page's opaque colour. Targets at 5,000 lines: any callback's 99th percentile 2 ms, the resize 16 ms
// (one frame); the medians are printed as a record.
#include "live/ui/MLLivePageFrame.h"
#include "live/ui/MLSubtitleTableView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace {

QString caption(int n) {
    return QStringLiteral("第%1句：打开有声音的网页及视频，选择语种，点击开始按钮体验实时翻译字幕\n"
                          "Sentence %1: open a web page or a video with sound, pick the languages and "
                          "press start to see live subtitles")
        .arg(n);
}

struct Figures {
    double medianMs;
    double meanMs;
    double worstMs;
    double p99Ms;
};

Figures summarise(QList<qint64> nanos) {
    std::sort(nanos.begin(), nanos.end());
    double total = 0;
    for (qint64 n : nanos)
        total += double(n);
    return {double(nanos.at(nanos.size() / 2)) / 1e6, total / double(nanos.size()) / 1e6,
            double(nanos.last()) / 1e6, double(nanos.at((nanos.size() * 99) / 100)) / 1e6};
}

// Counts the paints of the table, to make sure each measured callback includes its repaint.
class PaintCounter final : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// One engine callback: the list handed over, then everything the event loop does for it (delayed
// layout, row-height timers and the repaint of the visible rows).
qint64 callback(MLSubtitleTableView &view, PaintCounter &counter, const QStringList &list) {
    const int paintsBefore = counter.paints;
    QElapsedTimer clock;
    clock.start();
    view.setListData(list);
    QCoreApplication::processEvents();
    const qint64 nanos = clock.nsecsElapsed();
    if (counter.paints == paintsBefore)
        std::printf("warning: a callback was measured without its repaint\n");
    return nanos;
}

struct Result {
    Figures partial, finished, all;
    double resizeMs, remeasureMs;
};

Result run(int lines) {
    MLSubtitleTableView view;
    view.resize(1100, 480);
    view.setRowBackground(MLLivePageFrame::kContentColor);
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);
    view.show();
    QCoreApplication::processEvents();

    QStringList list;
    for (int i = 0; i < lines - 1; ++i)
        list.append(caption(i));
    list.append(QString());
    view.setListData(list);
    QCoreApplication::processEvents();

    const int rounds = 300;
    QList<qint64> partial, finished, all;
    int next = lines;
    for (int round = 0; round < rounds; ++round) {
        // A partial result rewrites the open line...
        list.last() = caption(next).left(20 + round % 40);
        const qint64 p = callback(view, counter, list);
        partial.append(p);
        all.append(p);
        // ...and every fifth round a final result closes it and opens a new empty line.
        if (round % 5 == 4) {
            list.last() = caption(next++);
            list.append(QString());
            const qint64 f = callback(view, counter, list);
            finished.append(f);
            all.append(f);
        }
    }

    // A new width: the rows in view measured and repainted at once, every other row afterwards.
    const int paintsBefore = counter.paints;
    QElapsedTimer clock;
    clock.start();
    view.resize(1000, 480);
    view.reloadData();
    QCoreApplication::processEvents();
    const double resizeMs = double(clock.nsecsElapsed()) / 1e6;
    if (counter.paints == paintsBefore)
        std::printf("warning: the resize was measured without its repaint\n");
    while (view.staleRowCount() > 0)
        QCoreApplication::processEvents();
    const double remeasureMs = double(clock.nsecsElapsed()) / 1e6;

    const Figures p = summarise(partial);
    const Figures f = summarise(finished);
    const Figures a = summarise(all);
    std::printf("%5d lines | partial line: median %.3f ms, mean %.3f ms, worst %.3f ms | final line: median "
                "%.3f ms, mean %.3f ms | all: median %.3f ms, p99 %.3f ms | resize: %.1f ms, every row "
                "measured again after %.1f ms\n",
                lines, p.medianMs, p.meanMs, p.worstMs, f.medianMs, f.meanMs, a.medianMs, a.p99Ms, resizeMs,
                remeasureMs);
    return {p, f, a, resizeMs, remeasureMs};
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("subtitle table, one caption callback (model update + heights + scroll + repaint)\n");
    Result last{};
    for (int lines : {100, 1000, 5000})
        last = run(lines);
    std::printf(
        "bench_subtitles: lines=5000 partial_p50_ms=%.3f final_p50_ms=%.3f p99_ms=%.3f resize_ms=%.2f "
        "remeasure_all_ms=%.1f\n",
        last.partial.medianMs, last.finished.medianMs, last.all.p99Ms, last.resizeMs, last.remeasureMs);
    return 0;
}
