// The utilities and the widgets the sections share.
#include "core/session/MLUserManager.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLUserDefaults.h"
#include "support/MLTestMain.h"
#include "ui/util/HCSortString.h"
#include "ui/util/MLBlockTimer.h"
#include "ui/util/MLColorUtils.h"
#include "ui/util/MLUtilsTools.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLScrollBar.h"
#include "ui/widgets/MLSectionFrame.h"
#include "ui/widgets/MLSectionToolBar.h"
#include "ui/widgets/MLSimultaneousInterpretationToolBarSonView.h"
#include "ui/widgets/MLToast.h"
#include "ui/widgets/NSPagingView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

using OptionalText = std::optional<QString>;

void storeOrRemove(const OptionalText &value, const QString &key) {
    MLUserDefaults &defaults = MLUserDefaults::standardUserDefaults();
    if (value)
        defaults.setString(*value, key);
    else
        defaults.removeObjectForKey(key);
}

MLMinePageBaseModel pageModel(qint64 pageNum, qint64 pages, qint64 total, bool hasPrevious, bool hasNext) {
    MLMinePageBaseModel m;
    m.pageNum = pageNum;
    m.pages = pages;
    m.total = total;
    m.prePage = pageNum - 1;
    m.nextPage = pageNum + 1;
    m.hasPreviousPage = hasPrevious;
    m.hasNextPage = hasNext;
    return m;
}

// Counts the paint events a widget gets.
class PaintCount final : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

class CountingPage final : public MLPageView {
public:
    int refreshes = 0;
    void refreshData() override { ++refreshes; }
};

QList<MLSectionTab> tabs(bool firstNeedsUser) {
    return {
        {u"a_icon"_s, u"一"_s, firstNeedsUser}, {u"b_icon"_s, u"二"_s, true}, {u"c_icon"_s, u"三"_s, false}};
}

MLSectionFrame *makeSection(MLSectionToolBar::FirstChoice choice, bool firstNeedsUser = false) {
    QList<MLSectionFrame::PageFactory> factories(3, [] { return new CountingPage; });
    auto *frame = new MLSectionFrame(new MLSectionToolBar(tabs(firstNeedsUser), choice), factories);
    frame->resize(800, 600);
    return frame;
}

QList<CountingPage *> pagesOf(MLSectionFrame *frame) {
    QList<CountingPage *> pages;
    for (int i = 1; i <= 3; ++i)
        pages << static_cast<CountingPage *>(frame->existingPage(i));
    return pages;
}

} // namespace

Q_DECLARE_METATYPE(OptionalText)

class TestWidgets : public QObject {
    Q_OBJECT

    void signIn(bool signedIn) {
        if (signedIn)
            MLUserManager::sharedManager().setCurrentUser(MLUserModel{u"token"_s});
        else
            MLUserManager::sharedManager().logoutBlock(nullptr);
    }

    int m_logouts = 0;

private Q_SLOTS:
    void initTestCase() {
        MLNotificationCenter::defaultCenter().addObserver(this, u"NotificationUSERLOGOUT"_s,
                                                          [this](const MLNotification &) { ++m_logouts; });
    }
    void init() { m_logouts = 0; }

    // ---- progress overlay and toast ----

    // A request hides the overlay it showed; hiding by view takes the topmost spinner, never a toast.
    void hideRemovesOnlyItsOwnOverlay() {
        QWidget view;
        QVERIFY(ml::test::shown(&view, {300, 200}));
        QPointer<MBProgressHUD> first = MBProgressHUD::showHUDAddedTo(&view, false);
        QPointer<MBProgressHUD> second = MBProgressHUD::showHUDAddedTo(&view, true);
        QPointer<MBProgressHUD> toast = MLToast::makeToast(&view, u"链接超时!"_s, 60);
        auto *later = new QLabel(u"not an overlay"_s, &view); // added above them all
        later->show();

        QCOMPARE(MBProgressHUD::HUDForView(&view), toast.data());
        QVERIFY(MBProgressHUD::hideHUD(first, false));
        QVERIFY(first->isHidden());
        QVERIFY(second->isVisible() && toast->isVisible());
        QVERIFY(!MBProgressHUD::hideHUD(first, false));

        QVERIFY(MBProgressHUD::hideHUDForView(&view, true));
        QVERIFY(toast->isVisible());
        QVERIFY(!MBProgressHUD::hideHUDForView(&view, false));
        QVERIFY(!MBProgressHUD::hideHUDForView(nullptr, false));
        QVERIFY(!MBProgressHUD::hideHUD(nullptr, false));
        QVERIFY(MBProgressHUD::hideHUD(toast, false));
        QTRY_VERIFY(first.isNull() && second.isNull() && toast.isNull());
        QVERIFY(later->isVisible());
    }

    // A toast too large for its view is shown whole on the nearest view that holds it.
    void toastIsReadableOnASmallView() {
        QWidget window;
        window.resize(800, 450);
        auto *row = new QWidget(&window);
        row->setGeometry(0, 20, 800, 100);
        auto *picker = new QWidget(row);
        picker->setGeometry(100, 35, 240, 30);
        QVERIFY(ml::test::shown(&window));
        for (QWidget *view : {picker, static_cast<QWidget *>(&window)}) {
            const QString text = view == picker ? u"链接超时!"_s : QString(60, QChar(0x8D85));
            MBProgressHUD *toast = MLToast::makeToast(view, text, 60);
            QCOMPARE(toast->parentWidget(), view == picker ? row : view);
            const QRect label = toast->label()->geometry();
            QVERIFY(!label.isEmpty());
            QVERIFY(toast->rect().contains(toast->bezelRect()));
            QVERIFY(toast->bezelRect().contains(label));
            QVERIFY(label.height() >= toast->label()->heightForWidth(label.width()));
            // The label's text is painted: white pixels inside the dark box, once faded in.
            QTRY_VERIFY(!toast->graphicsEffect());
            const QImage image = toast->grab().toImage();
            bool white = false;
            for (int y = label.top(); y <= label.bottom() && !white; ++y)
                for (int x = label.left(); x <= label.right() && !white; ++x)
                    white = qGray(image.pixel(x, y)) > 200;
            QVERIFY(white);
            MBProgressHUD::hideHUD(toast, false);
        }
    }

    void overlayTakesClicksUnderIt() {
        QWidget window;
        window.resize(300, 200);
        auto *button = new QPushButton(u"刷新"_s, &window);
        button->setGeometry(20, 20, 80, 30);
        int clicks = 0;
        connect(button, &QPushButton::clicked, &window, [&] { ++clicks; });
        QVERIFY(ml::test::shown(&window));
        const QPoint onButton = button->geometry().center();

        // Through the window, so that the click lands on whatever is on top there.
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onButton);
        QCOMPARE(clicks, 1);

        QPointer<MBProgressHUD> hud = MBProgressHUD::showHUDAddedTo(&window, false);
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onButton);
        QCOMPARE(clicks, 1);

        MBProgressHUD::hideHUDForView(&window, false);
        QTRY_VERIFY(hud.isNull());
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onButton);
        QCOMPARE(clicks, 2);
    }

    void toastShowsTextThenGoes_data() {
        QTest::addColumn<double>("seconds");
        QTest::newRow("50 ms") << 0.05;
        QTest::newRow("no time") << 0.0;
        QTest::newRow("negative") << -1.0;
        QTest::newRow("not a number") << std::nan("");
    }

    void toastShowsTextThenGoes() {
        QFETCH(double, seconds);
        QWidget view;
        QVERIFY(ml::test::shown(&view, {300, 200}));
        QPointer<MBProgressHUD> toast = MLToast::makeToast(&view, u"文件已经不存在了"_s, seconds);
        QVERIFY(toast);
        QVERIFY(toast->isVisible());
        QCOMPARE(MBProgressHUD::HUDForView(&view), toast.data());
        QTRY_VERIFY(toast.isNull());
        QVERIFY(!MBProgressHUD::hideHUDForView(&view, false));
        QVERIFY(!MLToast::makeToast(nullptr, u"x"_s, seconds));
    }

    // ---- pager ----

    // model: which neighbour pages it has ("p", "n", "pn").
    void pagerButtonRules_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QList<qint64>>("calls");
        QTest::newRow("previous") << u"p"_s << u"prev"_s << QString() << QList<qint64>{2};
        QTest::newRow("no previous page") << u"n"_s << u"prev"_s << QString() << QList<qint64>{};
        QTest::newRow("next") << u"n"_s << u"next"_s << QString() << QList<qint64>{4};
        QTest::newRow("jump") << u"pn"_s << u"jump"_s << u"7"_s << QList<qint64>{7};
        QTest::newRow("jump abc") << u"pn"_s << u"jump"_s << u"abc"_s << QList<qint64>{0};
        QTest::newRow("jump leading digits") << u"pn"_s << u"jump"_s << u" 12abc"_s << QList<qint64>{12};
        QTest::newRow("jump too big") << u"pn"_s << u"jump"_s << u"99999999999999999999"_s
                                      << QList<qint64>{std::numeric_limits<qint64>::max()};
        QTest::newRow("jump too small") << u"pn"_s << u"jump"_s << u"-99999999999999999999"_s
                                        << QList<qint64>{std::numeric_limits<qint64>::min()};
    }

    void pagerButtonRules() {
        QFETCH(QString, model);
        QFETCH(QString, button);
        QFETCH(QString, field);
        QFETCH(QList<qint64>, calls);
        NSPagingView pager;
        QVERIFY(ml::test::shown(&pager));
        pager.setPaging(pageModel(3, 9, 90, model.contains(u'p'), model.contains(u'n')));
        if (!field.isEmpty())
            pager.pageField()->setText(field);
        QList<qint64> got;
        pager.setSeletedPageBlock([&](qint64 page) { got.append(page); });
        QPushButton *target = button == u"prev"   ? pager.previousButton()
                              : button == u"next" ? pager.nextButton()
                                                  : pager.jumpButton();
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(got, calls);
        pager.setSeletedPageBlock(nullptr); // without a block no button calls anything
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(got, calls);
    }

    // ---- scroll bar ----

    // The scroll bar repaints when its knob moves or resizes, or scrolling starts or stops being
    // possible; a change that leaves all of that as it was paints nothing.
    void scrollBarRepaintsOnlyWhatShows_data() {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("repaints");
        // Starting from a range of 0..300000 at its end, a page of 400 (the knob at its least length).
        QTest::newRow("grown by a row, kept at the end") << 300'020 << 300'020 << false;
        QTest::newRow("moved by a pixel") << 300'000 << 299'999 << false;
        QTest::newRow("moved by a page") << 300'000 << 150'000 << true;
        QTest::newRow("range shrunk to a few pages") << 1'200 << 1'200 << true;
        QTest::newRow("nothing left to scroll") << 0 << 0 << true;
    }

    void scrollBarRepaintsOnlyWhatShows() {
        QFETCH(int, maximum);
        QFETCH(int, value);
        QFETCH(bool, repaints);
        MLScrollBar bar(Qt::Vertical);
        bar.resize(bar.sizeHint().width(), 400);
        bar.setRange(0, 300'000);
        bar.setPageStep(400);
        bar.setValue(300'000);
        QVERIFY(ml::test::shown(&bar));
        PaintCount count;
        bar.installEventFilter(&count);
        bar.update();
        QTRY_COMPARE(count.paints, 1);
        bar.setMaximum(maximum);
        bar.setValue(value);
        QCoreApplication::processEvents();
        QCOMPARE(count.paints, repaints ? 2 : 1);
    }

    // ---- section frame ----

    void firstChoiceAfterDelay_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<qint64>("expectedIndex");
        QTest::addColumn<int>("expectedLogouts");
        QTest::newRow("through click handler, signed in")
            << int(MLSectionToolBar::FirstChoice::ThroughClickHandler) << true << qint64(1) << 0;
        QTest::newRow("through click handler, no user")
            << int(MLSectionToolBar::FirstChoice::ThroughClickHandler) << false << qint64(0) << 1;
        QTest::newRow("direct, no user")
            << int(MLSectionToolBar::FirstChoice::Direct) << false << qint64(1) << 0;
    }
    void firstChoiceAfterDelay() {
        QFETCH(int, choice);
        QFETCH(bool, signedIn);
        signIn(signedIn);
        // A probe due halfway through the delay, started first: it runs before the choice can.
        std::unique_ptr<MLSectionFrame> frame;
        std::optional<qint64> indexAtProbe;
        QTimer::singleShot(MLSectionToolBar::kFirstChoiceDelayMs / 2, Qt::PreciseTimer, this,
                           [&] { indexAtProbe = frame->seletedIndex() + 10 * m_logouts; });
        frame.reset(makeSection(MLSectionToolBar::FirstChoice(choice), /*firstNeedsUser=*/true));
        frame->refreshData(); // before the first choice: nothing to refresh, nothing made
        QVERIFY(!frame->existingPage(1));
        QTRY_VERIFY(indexAtProbe);
        QCOMPARE(*indexAtProbe, 0);
        QTRY_VERIFY(m_logouts > 0 || frame->seletedIndex() > 0); // the delayed choice has run
        QTEST(frame->seletedIndex(), "expectedIndex");
        QTEST(m_logouts, "expectedLogouts");
        if (frame->seletedIndex() == 1) {
            QCOMPARE(frame->leftView()->seletedView(), frame->leftView()->item(1));
            QCOMPARE(pagesOf(frame.get())[0]->refreshes, 1);
            QCOMPARE(frame->pageInView(), frame->existingPage(1));
        } else {
            QVERIFY(!frame->pageInView());
        }
    }

    void clicksSwitchPagesAndKeepThem() {
        signIn(true);
        std::unique_ptr<MLSectionFrame> frame(makeSection(MLSectionToolBar::FirstChoice::Direct));
        QTRY_COMPARE(frame->seletedIndex(), 1);
        MLSectionToolBar *bar = frame->leftView();

        bar->clickTab(1); // the selected tab: nothing
        QCOMPARE(pagesOf(frame.get())[0]->refreshes, 1);

        bar->clickTab(2);
        QCOMPARE(frame->seletedIndex(), 2);
        CountingPage *second = pagesOf(frame.get())[1];
        QVERIFY(second && second->isVisible() == frame->isVisible());
        QCOMPARE(second->refreshes, 1);
        QVERIFY(!pagesOf(frame.get())[2]); // never chosen, never made

        bar->clickTab(1);
        bar->clickTab(2);
        QCOMPARE(pagesOf(frame.get())[1], second); // the same page comes back
        QCOMPARE(second->refreshes, 2);
        QCOMPARE(pagesOf(frame.get())[0]->refreshes, 2);

        frame->refreshData(); // forwarded to the page in view only
        QCOMPARE(second->refreshes, 3);
        QCOMPARE(pagesOf(frame.get())[0]->refreshes, 2);

        frame->setRightViewForIndex(9); // unknown index: the pane is left empty
        QVERIFY(!frame->pageInView());
    }

    void tabNeedingUserWithoutOne() {
        signIn(true);
        std::unique_ptr<MLSectionFrame> frame(makeSection(MLSectionToolBar::FirstChoice::Direct));
        QTRY_COMPARE(frame->seletedIndex(), 1);
        signIn(false);
        QTest::mouseClick(frame->leftView()->item(2), Qt::LeftButton);
        QCOMPARE(m_logouts, 1);
        QCOMPARE(frame->seletedIndex(), 1);
        QCOMPARE(frame->leftView()->seletedView(), frame->leftView()->item(1));
        QTest::mouseClick(frame->leftView()->item(3), Qt::LeftButton); // tab 3 needs no user
        QCOMPARE(frame->seletedIndex(), 3);
        QCOMPARE(m_logouts, 1);
    }

    void barDestroyedBeforeFirstChoice() {
        bool called = false;
        auto *bar = new MLSectionToolBar(tabs(false), MLSectionToolBar::FirstChoice::Direct);
        bar->setDidIndexBlock([&](qint64) { called = true; });
        bool probed = false; // due after the bar's choice would have been
        QTimer::singleShot(MLSectionToolBar::kFirstChoiceDelayMs + 1, Qt::PreciseTimer, this,
                           [&] { probed = true; });
        delete bar;
        QTRY_VERIFY(probed);
        QVERIFY(!called);
    }

    // ---- utilities ----

    void colorWithHexString_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("expected");
        const QColor clear(Qt::transparent);
        QTest::newRow("plain") << "123456" << QColor(0x12, 0x34, 0x56);
        QTest::newRow("white space around") << " #0089ff\n" << QColor(0x00, 0x89, 0xff);
        QTest::newRow("0X then hash") << "0X#123456" << QColor(0x12, 0x34, 0x56);
        QTest::newRow("hash then 0X") << "#0X123456" << clear;
        QTest::newRow("three digits") << "#FFF" << clear;
        QTest::newRow("eight digits with alpha") << "#FF123456" << clear;
        QTest::newRow("not hex letters") << "GG0000" << clear;
        QTest::newRow("inner space") << "#12 456" << clear;
        QTest::newRow("full-width digits") << u"ＦＦＦＦＦＦ"_s << clear;
    }
    void colorWithHexString() {
        QFETCH(QString, text);
        QFETCH(QColor, expected);
        const QColor color = MLColorUtils::colorWithHexString(text);
        QCOMPARE(color.rgba(), expected.rgba());
    }

    void getMMSSFromSS_data() {
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mixed") << "45296" << u"12:34:56"_s;
        QTest::newRow("100 hours") << "360005" << u"100:00:05"_s;
        QTest::newRow("surrounding space") << " 61 " << u"00:01:01"_s;
        QTest::newRow("fraction cut off") << "90.9" << u"00:01:30"_s;
        QTest::newRow("trailing garbage") << "12abc" << u"00:00:00"_s;
        QTest::newRow("negative") << "-5" << u"00:00:00"_s;
        QTest::newRow("beyond 64 bits") << "1e30" << u"00:00:00"_s;
    }
    void getMMSSFromSS() {
        QFETCH(QString, seconds);
        QTEST(MLUtilsTools::getMMSSFromSS(seconds), "expected");
    }

    void subtitleColors_data() {
        QTest::addColumn<OptionalText>("source");
        QTest::addColumn<OptionalText>("target");
        QTest::addColumn<QColor>("sourceColor");
        QTest::addColumn<QColor>("targetColor");
        const QColor white(Qt::white);
        const QColor green(0xa4, 0xfc, 0xa2);
        const QColor blue(0x96, 0xcc, 0xff);
        auto v = [](const char *text) { return OptionalText(QString::fromLatin1(text)); };
        QTest::newRow("absent") << OptionalText() << OptionalText() << white << white;
        QTest::newRow("2 and 4") << v("2") << v("4") << green << blue;
        QTest::newRow("padded values") << v("02") << v(" 3") << white << white;
    }
    void subtitleColors() {
        QFETCH(OptionalText, source);
        QFETCH(OptionalText, target);
        QFETCH(QColor, sourceColor);
        QFETCH(QColor, targetColor);
        storeOrRemove(source, u"NSUserDefaultsSourceBgFloatKey"_s);
        storeOrRemove(target, u"NSUserDefaultsTargetBgFloatKey"_s);
        QCOMPARE(MLUtilsTools::returnColorForSourceLanguage().rgba(), sourceColor.rgba());
        QCOMPARE(MLUtilsTools::returnColorForTargetLanguage().rgba(), targetColor.rgba());
    }

    void sortedOrder_data() {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<qsizetype>>("expected");
        // "#" comes after Z although digits sort before letters and the emoji after them.
        QTest::newRow("letters then #")
            << QStringList{u"123"_s, u"英语"_s, QString(), u"阿拉伯语"_s, u"😀"_s, u"法语"_s}
            << QList<qsizetype>{3, 5, 1, 2, 0, 4};
        // 长沙 is CHANG SHA, before CHONG QING; read as ZHANG it would follow 郑州's neighbours.
        QTest::newRow("长 under C") << QStringList{u"重庆"_s, u"郑州"_s, u"长沙"_s, u"北京"_s, u"张家口"_s}
                                    << QList<qsizetype>{3, 2, 0, 4, 1};
        QTest::newRow("equal transcriptions keep their order")
            << QStringList{"ab", "1", "AB", "Ab", "1", u"á"_s, "a", u"阿"_s}
            << QList<qsizetype>{5, 6, 7, 0, 2, 3, 1, 4};
    }
    void sortedOrder() {
        QFETCH(QStringList, texts);
        QTEST(HCSortString::sortedOrder(texts), "expected");
    }

    void blockTimerStops_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("invalidated from outside") << 0;
        QTest::newRow("invalidated from its block") << 1;
        QTest::newRow("stopped from its block") << 2;
        QTest::newRow("context destroyed") << 3;
    }
    void blockTimerStops() {
        QFETCH(int, how);
        auto context = std::make_unique<QObject>();
        int fires = 0;
        QTimer *timer = nullptr;
        QTimer *seen = nullptr;
        timer = MLBlockTimer::repeatWithInterval(0.005, context.get(), [&](QTimer *t) {
            seen = t;
            if (++fires == 3 && how == 1)
                MLBlockTimer::invalidate(timer);
            if (fires == 3 && how == 2)
                t->stop();
        });
        QTimer *const made = timer;
        QPointer<QTimer> guard(timer);
        QCOMPARE(fires, 0); // first fire one interval later, not at once
        QTRY_VERIFY(fires >= 3);
        QVERIFY(seen == made); // the block gets its own timer
        if (how == 0) {
            MLBlockTimer::invalidate(timer);
            QCOMPARE(timer, nullptr);
            MLBlockTimer::invalidate(timer); // no-op on nullptr
        } else if (how == 3) {
            context.reset();
            QVERIFY(guard.isNull());
        }
        if (how == 2)
            QVERIFY(!guard->isActive());
        else
            QTRY_VERIFY(guard.isNull());
        // Ten intervals of a timer of the same period pass without another fire.
        const int stoppedAt = fires;
        int ticks = 0;
        QTimer sentinel;
        sentinel.callOnTimeout([&] { ++ticks; });
        sentinel.start(5);
        QTRY_VERIFY(ticks >= 10);
        QCOMPARE(fires, stoppedAt);
        if (how == 1 || how == 2)
            QCOMPARE(fires, 3);
    }

    void blockTimerInterval_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("rounded") << 0.2506 << 251;
        QTest::newRow("zero does not spin") << 0.0 << 1;
        QTest::newRow("not a number") << std::nan("") << 1;
        QTest::newRow("beyond int") << 1e12 << std::numeric_limits<int>::max();
    }
    void blockTimerInterval() {
        QFETCH(double, seconds);
        QObject context;
        QTimer *timer = MLBlockTimer::repeatWithInterval(seconds, &context, [](QTimer *) {});
        QTEST(timer->interval(), "milliseconds");
        QVERIFY(timer->isActive());
    }
};

ML_TEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
