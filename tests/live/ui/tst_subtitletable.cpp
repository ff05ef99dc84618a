#include "support/MLTestMain.h"

#include "live/ui/MLMicrosoftCellView.h"
#include "live/ui/MLSubtitleListModel.h"
#include "live/ui/MLSubtitleTableView.h"
#include "platform/kit/MLUserDefaults.h"
#include "ui/util/MLColorUtils.h"

#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>

namespace {

using Ranges = QList<QList<int>>; // {start, length, 0 = source colour / 1 = target colour}

void setLook(const QString &size, const QString &source, const QString &target) {
    auto &defaults = MLUserDefaults::standardUserDefaults();
    defaults.setString(size, QStringLiteral("NSUserDefaultsFontSizeKey"));
    defaults.setString(source, QStringLiteral("NSUserDefaultsSourceBgFloatKey"));
    defaults.setString(target, QStringLiteral("NSUserDefaultsTargetBgFloatKey"));
    defaults.synchronize();
}

// True when the band of rows [top, bottom) of `image` holds a pixel of (nearly) `colour`.
bool bandHasColour(const QImage &image, int top, int bottom, const QColor &colour) {
    for (int y = qMax(top, 0); y < qMin(bottom, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - colour.red()) + qAbs(pixel.green() - colour.green()) +
                    qAbs(pixel.blue() - colour.blue()) <=
                6)
                return true;
        }
    return false;
}

// Every row's height in the table equals what measuring that row afresh gives.
void verifyHeightsMatchFullMeasurement(MLSubtitleTableView &view) {
    MLMicrosoftCellView fresh;
    fresh.setLook(view.cellView()->font(), Qt::white, Qt::white);
    fresh.setTextWidth(view.cellView()->textWidth());
    const QStringList &list = view.strList();
    QCOMPARE(view.model()->rowCount(), list.size());
    for (int row = 0; row < list.size(); ++row)
        QCOMPARE(view.rowHeight(row), fresh.rowHeight(list.at(row)));
}

} // namespace

class TestSubtitleTable final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { setLook(QStringLiteral("小"), QStringLiteral("2"), QStringLiteral("3")); }

    void modelAnnouncesOnlyWhatChanged_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QList<int>>("inserted"); // first, last or empty
        QTest::addColumn<QList<int>>("removed");
        QTest::addColumn<QList<int>>("changed"); // pairs first, last

        const QStringList three{QStringLiteral("a\nA"), QStringLiteral("b\nB"), QStringLiteral("c")};
        QTest::newRow("partial result rewrites the open line")
            << three << QStringList{three[0], three[1], QStringLiteral("cc")} << QList<int>{} << QList<int>{}
            << QList<int>{2, 2};
        QTest::newRow("final result opens an empty line")
            << three << QStringList{three[0], three[1], QStringLiteral("c\nC"), QString()} << QList<int>{3, 3}
            << QList<int>{} << QList<int>{2, 2};
        QTest::newRow("late translation of an earlier line")
            << three << QStringList{QStringLiteral("a\nA!"), three[1], QStringLiteral("c2")} << QList<int>{}
            << QList<int>{} << QList<int>{0, 0, 2, 2};
        QTest::newRow("new session empties the list")
            << three << QStringList{QString()} << QList<int>{} << QList<int>{1, 2} << QList<int>{0, 0};
        QTest::newRow("same list") << three << three << QList<int>{} << QList<int>{} << QList<int>{};
        QTest::newRow("first list") << QStringList{} << three << QList<int>{0, 2} << QList<int>{}
                                    << QList<int>{};
    }

    void modelAnnouncesOnlyWhatChanged() {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QList<int>, inserted);
        QFETCH(QList<int>, removed);
        QFETCH(QList<int>, changed);

        MLSubtitleListModel model;
        model.setListData(before);
        QSignalSpy insertSpy(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removeSpy(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changeSpy(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy resetSpy(&model, &QAbstractItemModel::modelReset);
        model.setListData(after);

        QCOMPARE(resetSpy.size(), 0);
        QCOMPARE(insertSpy.size(), inserted.isEmpty() ? 0 : 1);
        if (!inserted.isEmpty())
            QCOMPARE((QList<int>{insertSpy[0][1].toInt(), insertSpy[0][2].toInt()}), inserted);
        QCOMPARE(removeSpy.size(), removed.isEmpty() ? 0 : 1);
        if (!removed.isEmpty())
            QCOMPARE((QList<int>{removeSpy[0][1].toInt(), removeSpy[0][2].toInt()}), removed);
        QList<int> announced;
        for (const auto &signal : std::as_const(changeSpy))
            announced << signal[0].toModelIndex().row() << signal[1].toModelIndex().row();
        QCOMPARE(announced, changed);
        QCOMPARE(model.rowCount(), after.size());
        for (int row = 0; row < after.size(); ++row)
            QCOMPARE(model.data(model.index(row)).toString(), after.at(row));
    }

    void captionColours_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<Ranges>("ranges");
        QTest::newRow("one line, all in the source colour")
            << QStringLiteral("你好世界") << Ranges{{0, 4, 0}};
        QTest::newRow("sentence and translation")
            << QStringLiteral("你好\nhello") << Ranges{{0, 2, 0}, {3, 5, 1}};
        QTest::newRow("translation repeating the sentence")
            << QStringLiteral("hello\nhello hello") << Ranges{{0, 5, 0}, {6, 11, 1}};
        QTest::newRow("third line stays white")
            << QStringLiteral("ab\ncd\nef") << Ranges{{0, 2, 0}, {3, 2, 1}};
        QTest::newRow("empty translation line") << QStringLiteral("ab\n") << Ranges{{0, 2, 0}};
        QTest::newRow("empty sentence line") << QStringLiteral("\ncd") << Ranges{{1, 2, 1}};
        QTest::newRow("empty caption") << QString() << Ranges{};
    }

    void captionColours() {
        QFETCH(QString, caption);
        QFETCH(Ranges, ranges);
        const QColor source = MLColorUtils::colorWithHexString(QStringLiteral("a4fca2"));
        const QColor target = MLColorUtils::colorWithHexString(QStringLiteral("f0a5a4"));
        Ranges got;
        for (const auto &range : MLMicrosoftCellView::returnStr(caption, source, target)) {
            const QColor colour = range.format.foreground().color();
            QVERIFY(colour == source || colour == target);
            got.append({range.start, range.length, colour == source ? 0 : 1});
        }
        QCOMPARE(got, ranges);
    }

    void rowsArePaintedInTheLineColours() {
        setLook(QStringLiteral("大"), QStringLiteral("2"), QStringLiteral("3"));
        const QColor source = MLColorUtils::colorWithHexString(QStringLiteral("a4fca2"));
        const QColor target = MLColorUtils::colorWithHexString(QStringLiteral("f0a5a4"));

        MLSubtitleTableView view;
        view.resize(600, 400);
        view.setStyleSheet(QStringLiteral("QTableView { background: black; border: none; }"));
        view.setListData({QStringLiteral("一行字幕"), QStringLiteral("原文原文\n译文译文\n第三行第三行")});
        const QImage image = view.viewport()->grab().toImage();
        // Row 1 holds three lines of one script, so they are equally high.
        const int lineHeight = (view.rowHeight(1) - 2 * MLMicrosoftCellView::kInset) / 3;

        // Row 0: one line in the source colour only.
        const int row0 = view.rowViewportPosition(0) + MLMicrosoftCellView::kInset;
        QVERIFY(bandHasColour(image, row0, row0 + lineHeight, source));
        QVERIFY(!bandHasColour(image, row0, row0 + lineHeight, target));
        // Row 1: source, then target, then white.
        const int row1 = view.rowViewportPosition(1) + MLMicrosoftCellView::kInset;
        QVERIFY(bandHasColour(image, row1, row1 + lineHeight, source));
        QVERIFY(!bandHasColour(image, row1, row1 + lineHeight, target));
        QVERIFY(bandHasColour(image, row1 + lineHeight, row1 + 2 * lineHeight, target));
        QVERIFY(!bandHasColour(image, row1 + lineHeight, row1 + 2 * lineHeight, source));
        QVERIFY(bandHasColour(image, row1 + 2 * lineHeight, row1 + 3 * lineHeight, Qt::white));
        QVERIFY(!bandHasColour(image, row1 + 2 * lineHeight, row1 + 3 * lineHeight, target));
        QVERIFY(!bandHasColour(image, row1 + 2 * lineHeight, row1 + 3 * lineHeight, source));
    }

    void rowHeightsFollowTextSizeAndWidth() {
        MLSubtitleTableView view;
        view.resize(500, 300);
        view.show();
        const QString sentence =
            QStringLiteral("打开有声音的网页及视频，选择语种，点击开始按钮体验实时翻译字幕");
        view.setListData({sentence + QStringLiteral("\nOpen a web page"), QString()});
        QCOMPARE(view.rowHeight(1), 20);
        const int small = view.rowHeight(0);
        QVERIFY(small > 20);

        setLook(QStringLiteral("大"), QStringLiteral("2"), QStringLiteral("3"));
        view.reloadData();
        QVERIFY2(view.rowHeight(0) > small, "the larger subtitle size makes the row taller");
        QCOMPARE(view.rowHeight(1), 20);
        verifyHeightsMatchFullMeasurement(view);

        // A narrower table wraps the sentence onto more lines.
        const int wide = view.rowHeight(0);
        view.resize(200, 300);
        QVERIFY(view.rowHeight(0) > wide);
        verifyHeightsMatchFullMeasurement(view);
    }

    void heightsStayExactAcrossASession() {
        MLSubtitleTableView view;
        view.resize(400, 300);
        QStringList list{QString()};
        view.setListData(list);
        for (int sentence = 0; sentence < 40; ++sentence) {
            const QString text = QStringLiteral("第%1句").arg(sentence).repeated(1 + sentence % 7);
            for (int partial = 1; partial <= 20; ++partial) {
                list.last() = text.left(partial * text.size() / 20);
                view.setListData(list);
            }
            list.last() =
                text + QStringLiteral("\n") + QStringLiteral("sentence %1 ").arg(sentence).repeated(3);
            list.append(QString());
            view.setListData(list);
        }
        verifyHeightsMatchFullMeasurement(view);
        // The heights of the partial results go; the cache holds the lines kept.
        QVERIFY(view.cellView()->cachedHeightCount() <= view.strList().size());
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        QVERIFY(view.verticalScrollBar()->maximum() > 0);

        // The next session starts from one empty line.
        view.setListData({QString()});
        verifyHeightsMatchFullMeasurement(view);
        QCOMPARE(view.rowHeight(0), 20);
        QCOMPARE(view.cellView()->cachedHeightCount(), 0);
    }
};

ML_TEST_MAIN(TestSubtitleTable)
#include "tst_subtitletable.moc"
