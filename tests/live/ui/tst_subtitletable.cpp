#include "support/MLTestMain.h"

#include "live/ui/MLLivePageFrame.h"
#include "live/ui/MLMicrosoftCellView.h"
#include "live/ui/MLSubtitleListModel.h"
#include "live/ui/MLSubtitleTableView.h"
#include "platform/kit/MLUserDefaults.h"
#include "ui/util/MLColorUtils.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace {

using Ranges = QList<QList<int>>; // {start, length, 0 = source colour / 1 = target colour}

void setLook(const QString &size, const QString &source, const QString &target) {
    auto &defaults = MLUserDefaults::standardUserDefaults();
    defaults.setString(size, u"NSUserDefaultsFontSizeKey"_s);
    defaults.setString(source, u"NSUserDefaultsSourceBgFloatKey"_s);
    defaults.setString(target, u"NSUserDefaultsTargetBgFloatKey"_s);
    defaults.synchronize();
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
    void init() { setLook(u"小"_s, u"2"_s, u"3"_s); }

    void modelAnnouncesOnlyWhatChanged_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QList<int>>("inserted"); // first, last or empty
        QTest::addColumn<QList<int>>("removed");
        QTest::addColumn<QList<int>>("changed"); // pairs first, last

        const QStringList three{u"a\nA"_s, u"b\nB"_s, u"c"_s};
        QTest::newRow("partial result rewrites the open line")
            << three << QStringList{three[0], three[1], u"cc"_s} << QList<int>{} << QList<int>{}
            << QList<int>{2, 2};
        QTest::newRow("final result opens an empty line")
            << three << QStringList{three[0], three[1], u"c\nC"_s, QString()} << QList<int>{3, 3}
            << QList<int>{} << QList<int>{2, 2};
        QTest::newRow("late translation of an earlier line")
            << three << QStringList{u"a\nA!"_s, three[1], u"c2"_s} << QList<int>{} << QList<int>{}
            << QList<int>{0, 0, 2, 2};
        QTest::newRow("new session empties the list")
            << three << QStringList{QString()} << QList<int>{} << QList<int>{1, 2} << QList<int>{0, 0};
        QTest::newRow("same list") << three << three << QList<int>{} << QList<int>{} << QList<int>{};
        QTest::newRow("first list") << QStringList{} << three << QList<int>{0, 2} << QList<int>{}
                                    << QList<int>{};
        QStringList long600;
        for (int i = 0; i < 600; ++i)
            long600 << QString::number(i);
        QStringList long600After = long600;
        long600After[300] = u"300\nthree hundred"_s;
        long600After[599] = u"599!"_s;
        long600After << QString();
        QTest::newRow("changes in the middle and at the end of a long list")
            << long600 << long600After << QList<int>{600, 600} << QList<int>{}
            << QList<int>{300, 300, 599, 599};
    }

    void modelAnnouncesOnlyWhatChanged() {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QList<int>, inserted);
        QFETCH(QList<int>, removed);
        QFETCH(QList<int>, changed);

        // The new list as a list of its own, and as the engine makes it: a copy of the shown list
        // changed in place, whose untouched lines share their storage with the shown ones.
        for (const bool sharedCopy : {false, true}) {
            const MLCaptionLines shown(before);
            MLCaptionLines next(after);
            if (sharedCopy && after.size() >= before.size()) {
                next = shown;
                for (int row = 0; row < after.size(); ++row) {
                    if (row >= before.size())
                        next.append(after.at(row));
                    else if (before.at(row) != after.at(row))
                        next.replace(row, after.at(row));
                }
            }
            MLSubtitleListModel model;
            model.setListData(shown);
            QSignalSpy insertSpy(&model, &QAbstractItemModel::rowsInserted);
            QSignalSpy removeSpy(&model, &QAbstractItemModel::rowsRemoved);
            QSignalSpy changeSpy(&model, &QAbstractItemModel::dataChanged);
            QSignalSpy resetSpy(&model, &QAbstractItemModel::modelReset);
            model.setListData(next);

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
    }

    void captionColours_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<Ranges>("ranges");
        QTest::newRow("sentence and translation") << u"你好\nhello"_s << Ranges{{0, 2, 0}, {3, 5, 1}};
        QTest::newRow("translation repeating the sentence")
            << u"hello\nhello hello"_s << Ranges{{0, 5, 0}, {6, 11, 1}};
        QTest::newRow("third line stays white") << u"ab\ncd\nef"_s << Ranges{{0, 2, 0}, {3, 2, 1}};
        QTest::newRow("empty translation line") << u"ab\n"_s << Ranges{{0, 2, 0}};
        QTest::newRow("empty sentence line") << u"\ncd"_s << Ranges{{1, 2, 1}};
        QTest::newRow("empty caption") << QString() << Ranges{};
    }

    void captionColours() {
        QFETCH(QString, caption);
        const QColor source = MLColorUtils::colorWithHexString(u"a4fca2"_s);
        const QColor target = MLColorUtils::colorWithHexString(u"f0a5a4"_s);
        Ranges got;
        for (const auto &range : MLMicrosoftCellView::returnStr(caption, source, target)) {
            const QColor colour = range.format.foreground().color();
            QVERIFY(colour == source || colour == target);
            got.append({range.start, range.length, colour == source ? 0 : 1});
        }
        QTEST(got, "ranges");
    }

    // Rows are drawn from images kept between paints: after a change of look, width or text the table
    // paints exactly as a table made afresh in the same state.
    void paintsAsAFreshTable_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("colours") << u"colours"_s;
        QTest::newRow("font size") << u"font"_s;
        QTest::newRow("narrower") << u"width"_s;
        QTest::newRow("a line rewritten") << u"text"_s;
    }

    void paintsAsAFreshTable() {
        QFETCH(QString, change);
        QStringList list;
        for (int line = 0; line < 8; ++line)
            list.append(
                u"第%1句：打开有声音的网页及视频\nSentence %1: open a web page with sound"_s.arg(line));
        MLSubtitleTableView view;
        view.resize(420, 300);
        view.setListData(list);
        QVERIFY(ml::test::shown(&view));
        const QImage before = view.viewport()->grab().toImage();
        QCOMPARE(view.viewport()->grab().toImage(), before); // the second paint, from the images

        if (change == u"colours")
            setLook(u"小"_s, u"5"_s, u"6"_s);
        else if (change == u"font")
            setLook(u"大"_s, u"2"_s, u"3"_s);
        else if (change == u"width")
            view.resize(300, 300);
        else
            list[6] = u"第6句：选择语种\nSentence 6: pick the languages"_s;
        view.setListData(list);
        QTRY_COMPARE(view.staleRowCount(), 0);
        const QImage after = view.viewport()->grab().toImage();
        QVERIFY(after != before);

        MLSubtitleTableView fresh;
        fresh.resize(view.size());
        fresh.setListData(list);
        QVERIFY(ml::test::shown(&fresh));
        QCOMPARE(after, fresh.viewport()->grab().toImage());
    }

    // Rows drawn from their kept images carry the ink of rows drawn straight onto the window, Chinese
    // lines too (text blended onto opaque pixels is gamma-corrected, onto transparent ones not): on the
    // opaque main page and on the translucent floating window.
    void rowsCarryTheInkOfDirectDrawing_data() {
        QTest::addColumn<bool>("opaque");
        QTest::newRow("opaque page") << true;
        QTest::newRow("translucent floating window") << false;
    }

    void rowsCarryTheInkOfDirectDrawing() {
        QFETCH(bool, opaque);
        if (QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
            QSKIP("no Chinese font installed");
        QWidget window;
        window.resize(420, 300);
        auto *background = new QWidget(&window);
        background->setObjectName(u"background"_s);
        background->setAttribute(Qt::WA_StyledBackground);
        background->setGeometry(window.rect());
        auto *view = new MLSubtitleTableView(&window);
        view->setGeometry(window.rect());
        if (opaque) {
            background->setStyleSheet(
                u"#background { background: %1; }"_s.arg(MLLivePageFrame::kContentColor.name()));
            view->setRowBackground(MLLivePageFrame::kContentColor);
        } else {
            window.setAttribute(Qt::WA_TranslucentBackground);
            background->setStyleSheet(u"#background { background: rgba(0, 0, 0, 179); }"_s);
        }
        QVERIFY(ml::test::shown(&window));
        const QImage blank = window.grab().toImage();
        QStringList list;
        for (int line = 0; line < 6; ++line)
            list.append(
                u"第%1句：打开有声音的网页及视频，选择语种\nSentence %1: open a web page"_s.arg(line));
        view->setListData(list);

        const QImage kept = window.grab().toImage();
        view->cellView()->setImageBudget(0); // every row drawn straight onto the window
        const QImage direct = window.grab().toImage();
        QVERIFY(direct != blank);
        QCOMPARE(kept, direct);
    }

    void heightsStayExactAcrossASession() {
        MLSubtitleTableView view;
        view.resize(400, 300);
        QStringList list{QString()};
        view.setListData(list);
        for (int sentence = 0; sentence < 40; ++sentence) {
            const QString text = u"第%1句"_s.arg(sentence).repeated(1 + sentence % 7);
            for (int partial = 1; partial <= 20; ++partial) {
                list.last() = text.left(partial * text.size() / 20);
                view.setListData(list);
            }
            list.last() = text + u"\n"_s + u"sentence %1 "_s.arg(sentence).repeated(3);
            list.append(QString());
            view.setListData(list);
        }
        verifyHeightsMatchFullMeasurement(view);
        // The heights of the partial results go; the cache holds the lines kept.
        QVERIFY(view.cellView()->cachedHeightCount() <= view.strList().size());
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        QVERIFY(view.verticalScrollBar()->maximum() > 0);

        // A narrower table: the rows in view are measured at once, the others from the event loop,
        // and the bottom line stays in view throughout.
        QVERIFY(ml::test::shown(&view));
        QTRY_COMPARE(view.staleRowCount(), 0);
        view.resize(250, 300);
        QVERIFY(view.staleRowCount() > 0);
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        QTRY_COMPARE(view.staleRowCount(), 0);
        verifyHeightsMatchFullMeasurement(view);
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());

        // The next session starts from one empty line.
        view.setListData({QString()});
        verifyHeightsMatchFullMeasurement(view);
        QCOMPARE(view.cellView()->cachedHeightCount(), 0); // no height left of the partial results
    }
};

ML_TEST_MAIN(TestSubtitleTable)
#include "tst_subtitletable.moc"
