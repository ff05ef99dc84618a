// The start click of a live session, first and later, in the app as a process: from the click on the
// start image of the normal tier's page to the end of the frame that paints the stop image in its
// place (the engine has its credentials and its first usage report answered, and the session has set
// up its recognizer, folder, recording and microphone input). The first start of a process is
// measured apart from the later ones. Each process (the first argument, at least 5; 7 by default)
// launches the app signed in against the stand-in running in the parent, offscreen and without a
// sound server, shows the live section's normal-tier page, gives the user a second to read it, then
// starts and stops four sessions. Medians over the processes are reported; a process's later start
// is the median of its three later ones.
// Target: first_start_ratio (first_start_ms / later_start_ms) <= 1.5.
#include "BenchHome.h"

#include "app/AppDelegate.h"
#include "app/MLCommandLine.h"
#include "core/session/MLKeyedArchive.h"
#include "core/session/MLMineLanguageListModel.h"
#include "core/session/MLUserManager.h"
#include "live/engine/MLLiveEngine.h"
#include "live/ui/MLNormalTranslationView.h"
#include "live/ui/MLSimultaneousInterpretationView.h"
#include "live/ui/NSTranslationComboBoxView.h"
#include "live/ui/NSTranslationSonView.h"
#include "platform/kit/MLUserDefaults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

constexpr const char *kChildVariable = "ML_BENCH_FIRSTSTART_CHILD";
constexpr int kLaterStarts = 3;
constexpr int kWaitMs = 20000;

// Runs the event loop until `done` holds (checked every few milliseconds) or `milliseconds` pass.
bool waitUntil(const std::function<bool()> &done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds) {
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

// Notes when the start/stop image is first painted showing `asset`, on `clock`.
class PaintWatch final : public QObject {
public:
    PaintWatch(MLLivePageFrame *page, QString asset, const QElapsedTimer &clock)
        : m_page(page)
        , m_asset(std::move(asset))
        , m_clock(clock) {
        page->startOrOverImage()->installEventFilter(this);
    }
    std::optional<qint64> paintedAt;
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint && !m_seen && m_page->startOrOverImageName() == m_asset) {
            m_seen = true;
            // The end of the frame that paints it (the rest of the window is painted in the same pass).
            QTimer::singleShot(0, this, [this] { paintedAt = m_clock.nsecsElapsed(); });
        }
        return false;
    }

private:
    MLLivePageFrame *m_page;
    QString m_asset;
    const QElapsedTimer &m_clock;
    bool m_seen = false;
};

// One click on the start/stop image; the milliseconds from the click to the image painted as
// `asset`, once the engine is in `state`.
std::optional<double> click(MLNormalTranslationView &page, const QString &asset, MLLiveEngine::State state) {
    QElapsedTimer clock;
    PaintWatch watch(&page, asset, clock);
    clock.start();
    page.startOrOverClick();
    if (!waitUntil([&] { return watch.paintedAt && page.engine()->state() == state; }, kWaitMs))
        return std::nullopt;
    return double(*watch.paintedAt) / 1e6;
}

// The child: the app launched as main() does, its normal-tier page shown, four sessions started and
// stopped. Prints the first start's milliseconds and the later ones' on one line.
int runChild(int argc, char *argv[]) {
    if (const std::optional<int> exitCode = MLCommandLine::apply(argc, argv))
        return *exitCode;
    QApplication app(argc, argv);
    AppDelegate::configureApplication();
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();

    MLSimultaneousInterpretationView *section = nullptr;
    if (!waitUntil(
            [&] {
                section = delegate.window()->findChild<MLSimultaneousInterpretationView *>();
                return section && section->pageInView(); // after the section's own first choice
            },
            kWaitMs))
        return 2;
    section->setRightViewForIndex(3);
    auto *page = qobject_cast<MLNormalTranslationView *>(section->existingPage(3));
    if (!page)
        return 3;
    NSTranslationSonView *bar = page->barView();
    if (!waitUntil(
            [bar] {
                return !bar->sourceLanguageView()->dataSource().isEmpty() &&
                       !bar->targetLanguageView()->dataSource().isEmpty();
            },
            kWaitMs))
        return 4;
    idle(1000); // the user reads the page before the first click

    QStringList figures;
    for (int i = 0; i <= kLaterStarts; ++i) {
        const std::optional<double> started =
            click(*page, QStringLiteral("overImage_icon"), MLLiveEngine::State::Running);
        if (!started)
            return 5;
        figures << QString::number(*started, 'f', 2);
        idle(300);
        if (!click(*page, QStringLiteral("startImage_icon"), MLLiveEngine::State::Idle))
            return 6;
        idle(300);
    }
    std::puts(qPrintable(figures.join(QLatin1Char(' '))));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsSet(kChildVariable))
        return runChild(argc, argv);

    const BenchHome home;
    QApplication app(argc, argv);
    const int processes = qMax(5, argc > 1 ? QByteArray(argv[1]).toInt() : 7);
    BenchService service("bench_firststart");
    if (!service.isListening())
        return 1;
    MLUserDefaults &defaults = MLUserDefaults::standardUserDefaults();
    defaults.setData(MLKeyedArchive::archivedData(MLMineLanguageListModel{
                         QStringLiteral("zh-CN"), {}, QStringLiteral("中文（普通话）")}),
                     QStringLiteral("MLNormalTranslationViewLeft"));
    defaults.setData(MLKeyedArchive::archivedData(
                         MLMineLanguageListModel{QStringLiteral("en"), {}, QStringLiteral("英语")}),
                     QStringLiteral("MLNormalTranslationViewRight"));
    defaults.synchronize();

    QProcessEnvironment environment = service.environment();
    environment.insert(QLatin1String(kChildVariable), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=false;*.info=false"));

    QList<double> first, later;
    for (int i = 0; i < processes; ++i) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {});
        const bool finished =
            waitUntil([&child] { return child.state() == QProcess::NotRunning; }, 6 * kWaitMs);
        const QList<QByteArray> line = child.readAllStandardOutput().trimmed().split(' ');
        if (!finished || child.exitCode() != 0 || line.size() != kLaterStarts + 1) {
            std::fprintf(stderr, "bench_firststart: the app failed (exit code %d)\n%s\n", child.exitCode(),
                         child.readAllStandardError().constData());
            child.kill();
            child.waitForFinished();
            return 1;
        }
        first.append(line.first().toDouble());
        QList<double> rest;
        for (qsizetype k = 1; k < line.size(); ++k)
            rest.append(line.at(k).toDouble());
        later.append(median(rest));
    }
    const double firstMedian = median(first);
    const double laterMedian = median(later);
    std::printf(
        "start click to the stop image painted, %d processes (first %.1f..%.1f ms, later %.1f..%.1f ms)\n",
        processes, *std::min_element(first.begin(), first.end()),
        *std::max_element(first.begin(), first.end()), *std::min_element(later.begin(), later.end()),
        *std::max_element(later.begin(), later.end()));
    std::printf("bench_firststart: first_start_ms=%.1f later_start_ms=%.1f first_start_ratio=%.2f\n",
                firstMedian, laterMedian, firstMedian / laterMedian);
    return 0;
}
