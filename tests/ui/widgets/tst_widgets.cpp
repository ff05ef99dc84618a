// The platform kit (modules, notifications, settings, anchors, dialogs, style), the utilities, the
// widgets the sections share and the subtitle table.
#include "core/session/MLUserManager.h"
#include "live/ui/MLLivePageFrame.h"
#include "live/ui/MLMicrosoftCellView.h"
#include "live/ui/MLSubtitleListModel.h"
#include "live/ui/MLSubtitleTableView.h"
#include "platform/crypto/MLCryptoBackend.h"
#include "platform/kit/MLModule.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/MLUserDefaults.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLAnchors.h"
#include "platform/kit/ui/MLAppStyle.h"
#include "platform/kit/ui/MLApplicationModal.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "platform/kit/ui/MLOpenPanel.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "support/MLTestMain.h"
#include "ui/util/HCSortString.h"
#include "ui/util/MLBlockTimer.h"
#include "ui/util/MLColorUtils.h"
#include "ui/util/MLUtilsTools.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLLook.h"
#include "ui/widgets/MLScrollBar.h"
#include "ui/widgets/MLSectionFrame.h"
#include "ui/widgets/MLSectionToolBar.h"
#include "ui/widgets/MLSimultaneousInterpretationToolBarSonView.h"
#include "ui/widgets/MLToast.h"
#include "ui/widgets/NSPagingView.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

using MakeConstraints = std::function<void(MLConstraintMaker &, QWidget *sibling)>;
Q_DECLARE_METATYPE(MakeConstraints)

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

// A shown window holding a 400 x 300 parent with one sibling at (50, 40, 100, 60).
struct Scene {
    QWidget window;
    QWidget *parent = new QWidget(&window);
    QWidget *sibling = new QWidget(parent);
    QWidget *child = new QWidget(parent);

    explicit Scene(bool show = true) {
        window.resize(600, 500);
        parent->setGeometry(0, 0, 400, 300);
        MLAnchors::make(sibling, [](MLConstraintMaker &m) {
            m.left().offset(50);
            m.top().offset(40);
            m.size(100, 60);
        });
        if (show) {
            QVERIFY(ml::test::shown(&window));
        }
    }
};

// Fusion, counting the standard icons it is asked for.
class CountingStyle final : public QProxyStyle {
public:
    CountingStyle()
        : QProxyStyle(QStyleFactory::create(u"Fusion"_s)) {}
    QIcon standardIcon(StandardPixmap which, const QStyleOption *option,
                       const QWidget *widget) const override {
        ++asked;
        return QProxyStyle::standardIcon(which, option, widget);
    }
    mutable int asked = 0;
};

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
        MLNotificationCenter::defaultCenter().addObserver(this, MLNotificationNames::kUserLogout,
                                                          [this](const MLNotification &) { ++m_logouts; });
    }
    void init() {
        m_logouts = 0;
        MLAlert::clearNextResponses();
        MLOpenPanel::clearNextResponses();
        MLWorkspace::setRecorder(true);
        MLWorkspace::clearRecordedCalls();
        setLook(u"小"_s, u"2"_s, u"3"_s);
    }

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

    // ---- shared look ----

    // A label and a line of the shared look keep the section's colours wherever a section puts them:
    // on a plain view, inside an item view (whose text colour is not the label's) and under a parent
    // whose style sheet reaches every descendant.
    void lookKeepsItsColours_data() {
        QTest::addColumn<QString>("host");
        QTest::newRow("plain view") << u"plain"_s;
        QTest::newRow("inside an item view") << u"item view"_s;
        QTest::newRow("under a parent's style sheet") << u"style sheet"_s;
    }
    void lookKeepsItsColours() {
        QFETCH(QString, host);
        QWidget window;
        window.setFixedSize(240, 120);
        QListView view(&window);
        view.setGeometry(window.rect());
        view.setFrameShape(QFrame::NoFrame);
        QWidget *parent = host == u"item view" ? view.viewport() : &window;
        view.setVisible(host == u"item view");
        auto *row = new QWidget(parent);
        row->setGeometry(0, 0, 240, 120);
        if (host == u"style sheet")
            row->setStyleSheet(u"background: transparent; color: #FF0000;"_s);
        QLabel *label = MLLook::makeLabel(row, 40, u"#12AB34"_s, u"\u2588\u2588"_s);
        label->move(10, 10);
        label->adjustSize();
        QWidget *line = MLLook::makeLine(row, u"#3355CC"_s);
        line->setGeometry(0, 100, 240, 1);
        QVERIFY(ml::test::shown(&window));

        const QImage image = window.grab().toImage();
        int labelInk = 0;
        const QRect labelRect = label->geometry();
        for (int y = labelRect.top(); y <= labelRect.bottom(); ++y)
            for (int x = labelRect.left(); x <= labelRect.right(); ++x)
                labelInk += image.pixelColor(x, y) == QColor(u"#12AB34"_s);
        QVERIFY2(labelInk > 100, qPrintable(u"%1 pixels in the label's colour"_s.arg(labelInk)));
        for (int x : {0, 120, 239})
            QCOMPARE(image.pixelColor(x, 100), QColor(u"#3355CC"_s));
    }

    void lookFontsAndPlainText() {
        const QFont font = MLLook::systemFont(15, true);
        QCOMPARE(font.pixelSize(), 15);
        QVERIFY(font.bold());
        QCOMPARE(font.family(), QApplication::font().family());
        QVERIFY(!MLLook::systemFont(12).bold());
        QWidget parent;
        QLabel *label = MLLook::makeLabel(&parent, 13, u"#4E5679"_s, u"<b>套餐</b>"_s);
        QCOMPARE(label->parentWidget(), &parent);
        QCOMPARE(label->font().pixelSize(), 13);
        QCOMPARE(label->textFormat(), Qt::PlainText); // texts of the service never render as markup
        QCOMPARE(label->textInteractionFlags(), Qt::NoTextInteraction);
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

    // ---- platform kit ----

    // Modules are kept by module, not by the interface they are reached through: two modules asked for
    // through one type each give their own object, and asking again gives the same one.
    void eachModuleKeepsItsOwnObject() {
        MLCryptoBackend *crypto = MLCryptoBackend::instance();
        auto *history =
            MLModule::instance<MLCryptoBackend>(QStringLiteral("libml_history.so"), "ml_history_database");
        QVERIFY(crypto && history);
        QVERIFY(history != crypto);
        QCOMPARE(MLModule::instance<MLCryptoBackend>(QStringLiteral("libml_crypto.so"), "ml_crypto_backend"),
                 crypto);
    }

    // ---- foundation ----

    void notificationReachesLiveObserversOnly() {
        MLNotificationCenter center;
        int calls = 0;
        auto *dying = new QObject;
        QObject living;
        center.addObserver(dying, u"N"_s, [&](const MLNotification &) { ++calls; });
        center.addObserver(&living, u"N"_s, [&](const MLNotification &n) {
            ++calls;
            QCOMPARE(n.userInfo.value(u"k"_s).toInt(), 7);
        });
        center.postNotificationName(u"N"_s, nullptr, {{u"k"_s, 7}});
        QCOMPARE(calls, 2);
        delete dying;
        QCOMPARE(center.observerCount(u"N"_s), 1);
        center.postNotificationName(u"N"_s, nullptr, {{u"k"_s, 7}});
        QCOMPARE(calls, 3);
        // An observer destroyed by an earlier one during the delivery is skipped.
        auto *second = new QObject;
        center.addObserver(&living, u"M"_s, [&](const MLNotification &) { delete second; });
        center.addObserver(second, u"M"_s, [&](const MLNotification &) { ++calls; });
        center.postNotificationName(u"M"_s);
        QCOMPARE(calls, 3);
    }

    void postFromWorkerThreadIsDeliveredOnMainThread() {
        MLNotificationCenter center;
        QObject observer;
        QThread *deliveredOn = nullptr;
        center.addObserver(&observer, u"N"_s,
                           [&](const MLNotification &) { deliveredOn = QThread::currentThread(); });
        QThread *worker = QThread::create([&] { center.postNotificationName(u"N"_s); });
        worker->start();
        worker->wait();
        delete worker;
        QTRY_COMPARE(deliveredOn, QThread::currentThread());
    }

    // The settings hold the session token: private to the user when made and after each write, and an
    // existing readable file is tightened when opened.
    void userDefaultsRoundTripPrivately() {
        constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
        const auto mode = [](const QString &path) {
            return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        };
        QTemporaryDir dir;
        const QString path = dir.filePath(u"s.ini"_s);
        {
            MLUserDefaults defaults(path);
            defaults.setString(u"大"_s, u"NSUserDefaultsFontSizeKey"_s);
            QVERIFY(defaults.synchronize());
        }
        QCOMPARE(mode(path), kOwnerOnly);
        MLUserDefaults reread(path);
        QCOMPARE(reread.stringForKey(u"NSUserDefaultsFontSizeKey"_s), u"大"_s);
        const QString old = dir.filePath(u"old.ini"_s);
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly, kOwnerOnly | QFile::ReadGroup | QFile::ReadOther));
        file.close();
        MLUserDefaults reopened(old);
        QCOMPARE(mode(old), kOwnerOnly);
        const QString folder = QFileInfo(MLUserDefaults::defaultFilePath()).absolutePath();
        QCOMPARE(mode(folder), kOwnerOnly | QFile::ExeOwner);
    }

    // ---- anchors ----

    void constraintsGiveFrame_data() {
        QTest::addColumn<MakeConstraints>("make");
        QTest::addColumn<QRect>("frame");
        QTest::newRow("parent right/bottom") << MakeConstraints([](MLConstraintMaker &m, QWidget *) {
            m.right().offset(-20);
            m.bottom().inset(30);
            m.size(80, 32);
        }) << QRect(300, 238, 80, 32);
        QTest::newRow("right of sibling, centred on it")
            << MakeConstraints([](MLConstraintMaker &m, QWidget *s) {
                   m.left().equalTo(s, MLEdge::Right).offset(5);
                   m.centerY().equalTo(s);
                   m.size(20, 20);
               })
            << QRect(155, 60, 20, 20);
        QTest::newRow("size from sibling, multiplied")
            << MakeConstraints([](MLConstraintMaker &m, QWidget *s) {
                   m.left();
                   m.top();
                   m.width().equalTo(s).multipliedBy(0.5).offset(10);
                   m.height().equalTo(s, MLEdge::Width).multipliedBy(2);
               })
            << QRect(0, 0, 60, 200);
    }

    void constraintsGiveFrame() {
        QFETCH(MakeConstraints, make);
        for (const bool shown : {false, true}) {
            Scene scene(shown);
            MLAnchors::make(scene.child, [&](MLConstraintMaker &m) { make(m, scene.sibling); });
            QTEST(scene.child->geometry(), "frame");
        }
    }

    void chainFollowsConstrainedSibling() {
        // Tab items: each one's top on the bottom of the one before, the first moved by update.
        Scene scene;
        QList<QWidget *> items;
        for (int i = 0; i < 4; ++i)
            items.append(new QWidget(scene.parent));
        // Made last-first, so solving must follow the references, not the order of making.
        for (int i = 3; i >= 1; --i)
            MLAnchors::make(items[i], [&](MLConstraintMaker &m) {
                m.top().equalTo(items[i - 1], MLEdge::Bottom);
                m.width().equalTo(items[0]);
                m.height().equalTo(items[0]);
                m.centerX().equalTo(items[0]);
            });
        MLAnchors::make(items[0], [](MLConstraintMaker &m) {
            m.left();
            m.right();
            m.top().offset(15);
            m.height(40);
        });
        QCOMPARE(items[3]->geometry(), QRect(0, 135, 400, 40));
        MLAnchors::update(items[0], [](MLConstraintMaker &m) { m.top().offset(5); });
        QCOMPARE(items[0]->geometry(), QRect(0, 5, 400, 40));
        QCOMPARE(items[3]->geometry(), QRect(0, 125, 400, 40));
    }

    void hiddenTreeSolvesOnDemand() {
        // A container whose bottom follows a label inside it, while the label hangs from the
        // container's top: only a repeated solve gets it right, shown or not.
        QWidget parent;
        parent.resize(400, 300);
        auto *container = new QWidget(&parent);
        auto *box = new QWidget(container);
        auto *label = new QWidget(container);
        MLAnchors::make(container, [&](MLConstraintMaker &m) {
            m.top().offset(30);
            m.left().inset(20);
            m.right().inset(20);
            m.bottom().equalTo(label, MLEdge::Bottom).offset(5);
        });
        MLAnchors::make(box, [](MLConstraintMaker &m) {
            m.centerX();
            m.top().offset(10);
            m.size(100, 40);
        });
        MLAnchors::make(label, [&](MLConstraintMaker &m) {
            m.left().offset(10);
            m.right().offset(-10);
            m.top().equalTo(box, MLEdge::Bottom).offset(50);
            m.height(20);
        });
        MLAnchors::layoutIfNeeded(&parent);
        QCOMPARE(container->geometry(), QRect(20, 30, 360, 125));
        QCOMPARE(box->geometry(), QRect(130, 10, 100, 40));
        QCOMPARE(label->geometry(), QRect(10, 100, 340, 20));
    }

    void remakeReplacesUpdateKeeps() {
        Scene scene;
        MLAnchors::make(scene.child, [](MLConstraintMaker &m) {
            m.left().offset(10);
            m.top().offset(10);
            m.size(20, 20);
        });
        MLAnchors::update(scene.child, [](MLConstraintMaker &m) { m.width(50); });
        QCOMPARE(scene.child->geometry(), QRect(10, 10, 50, 20));
        MLAnchors::remake(scene.child, [](MLConstraintMaker &m) {
            m.right().offset(-10);
            m.bottom().offset(-10);
            m.size(30, 30);
        });
        QCOMPARE(scene.child->geometry(), QRect(360, 260, 30, 30));
        scene.parent->resize(500, 200); // follows its parent
        QCOMPARE(scene.child->geometry(), QRect(460, 160, 30, 30));
        MLAnchors::remove(scene.child);
        QVERIFY(!MLAnchors::hasConstraints(scene.child));
        scene.parent->resize(200, 200);
        QCOMPARE(scene.child->geometry(), QRect(460, 160, 30, 30));
    }

    void cycleEnds() {
        Scene scene;
        auto *a = new QWidget(scene.parent);
        auto *b = new QWidget(scene.parent);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cycle"_s));
        MLAnchors::make(a, [&](MLConstraintMaker &m) {
            m.left().equalTo(b, MLEdge::Right);
            m.top();
            m.size(10, 10);
        });
        MLAnchors::make(b, [&](MLConstraintMaker &m) {
            m.left().equalTo(a, MLEdge::Right);
            m.top();
            m.size(10, 10);
        });
        MLAnchors::layoutIfNeeded(&scene.window);
        scene.parent->resize(300, 300);
        // Solved with the geometry at hand: sizes and tops hold, and one of the pair is right of the other.
        QCOMPARE(a->geometry().size(), QSize(10, 10));
        QCOMPARE(b->geometry().size(), QSize(10, 10));
        QCOMPARE(a->y() + b->y(), 0);
        QVERIFY(a->x() == b->x() + 10 || b->x() == a->x() + 10);
    }

    void referenceDestroyedIsIgnored() {
        Scene scene;
        auto *other = new QWidget(scene.parent);
        other->setGeometry(0, 0, 10, 10);
        MLAnchors::make(scene.child, [&](MLConstraintMaker &m) {
            m.left().equalTo(other, MLEdge::Right);
            m.top().offset(3);
            m.size(5, 5);
        });
        QCOMPARE(scene.child->pos(), QPoint(10, 3));
        delete other;
        scene.parent->resize(410, 300);
        QCOMPARE(scene.child->pos(), QPoint(10, 3));
    }

    // ---- click recogniser ----

    void clickRecogniserFires() {
        QWidget window;
        window.resize(200, 200);
        auto *target = new QLabel(u"查看"_s, &window);
        target->setGeometry(10, 10, 60, 30);
        QVERIFY(ml::test::shown(&window));
        auto *context = new QObject;
        int clicks = 0;
        QPointer<MLClickRecognizer> recognizer =
            MLClickRecognizer::attach(target, context, [&] { ++clicks; });
        QVERIFY(recognizer);

        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QTest::mouseClick(target, Qt::RightButton);
        QCOMPARE(clicks, 1);
        // Pressed inside, released outside: no click.
        QTest::mousePress(target, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(100, 5));
        QCOMPARE(clicks, 1);

        delete context;
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QTRY_VERIFY(recognizer.isNull());
    }

    // ---- alert ----

    void alertAnswersItsButtonsWhileItsWindowLives() {
        // The answer for a window gone meanwhile is dropped.
        auto *gone = new QWidget;
        MLAlert alert;
        alert.addButtonWithTitle(u"确定"_s);
        MLAlert::setNextResponse(1000);
        bool called = false;
        alert.beginSheetModalForWindow(gone, [&](int) { called = true; });
        delete gone;
        bool later = false; // queued after the alert's answer
        QTimer::singleShot(0, this, [&] { later = true; });
        QTRY_VERIFY(later);
        QVERIFY(!called);

        // A sheet on a live window ends by its buttons only.
        QWidget window;
        QVERIFY(ml::test::shown(&window));
        MLAlert sheet;
        sheet.addButtonWithTitle(u"确定"_s);
        sheet.addButtonWithTitle(u"取消"_s);
        int got = -1;
        sheet.beginSheetModalForWindow(&window, [&](int r) { got = r; });
        const auto dialogs = window.findChildren<QDialog *>();
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs.first()->windowModality(), Qt::WindowModal);
        auto *b = dialogs.first()->findChild<QPushButton *>(u"alertButton1"_s);
        QVERIFY(b);
        // Escape does not end an alert; only its buttons do.
        QTest::keyClick(dialogs.first(), Qt::Key_Escape);
        QCOMPARE(got, -1);
        b->click();
        QCOMPARE(got, 1001);
    }

    // ---- open panel ----

    void openPanelCleansTypesAndChoosesAFile() {
        MLOpenPanel::setNextResponse(MLOpenPanel::CancelResponse, QString());
        auto panel = MLOpenPanel::openPanel();
        panel->setAllowedFileTypes({u"pdf"_s, u".DOCX"_s, u"*.doc"_s, u"PDF"_s});
        panel->beginSheetModalForWindow(nullptr, [](int) {});
        QCOMPARE(MLOpenPanel::lastAllowedFileTypes(), (QStringList{u"pdf"_s, u"DOCX"_s, u"doc"_s}));

        // The real dialog chooses an existing file of the allowed types.
        QTemporaryDir dir;
        const QString file = dir.filePath(u"a.pdf"_s);
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QWidget window;
        QVERIFY(ml::test::shown(&window));
        panel = MLOpenPanel::openPanel();
        panel->setAllowedFileTypes({u"pdf"_s});
        int got = -1;
        panel->beginSheetModalForWindow(&window, [&](int r) { got = r; });
        auto *dialog = window.findChild<QFileDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        QVERIFY(dialog->nameFilters().join(QLatin1Char(';')).contains(u"*.pdf"_s));
        dialog->setDirectory(dir.path());
        dialog->selectFile(file);
        QMetaObject::invokeMethod(dialog, "accept");
        QCOMPARE(got, MLOpenPanel::OKResponse);
        QCOMPARE(panel->URL().toLocalFile(), file);
    }

    // ---- modal runs ----

    void modalRunsNestAndEnd() {
        QWidget outer, inner;
        int innerCode = 0;
        QTimer::singleShot(5, &outer, [&] {
            QTimer::singleShot(5, &inner, [] { MLApplicationModal::stopModalWithCode(7); });
            innerCode = MLApplicationModal::runModalForWindow(&inner);
            MLApplicationModal::stopModalWithCode(9);
        });
        QCOMPARE(MLApplicationModal::runModalForWindow(&outer), 9);
        QCOMPARE(innerCode, 7);
        // A run ends when its window is destroyed.
        auto *window = new QWidget;
        QTimer::singleShot(5, window, [window] { window->deleteLater(); });
        QCOMPARE(MLApplicationModal::runModalForWindow(window), MLApplicationModal::AbortResponse);
        QCOMPARE(MLApplicationModal::runModalForWindow(nullptr), MLApplicationModal::AbortResponse);
    }

    // ---- workspace and pasteboard ----

    void workspaceRevealsTheFolder() {
        QTemporaryDir dir;
        QVERIFY(MLWorkspace::selectFile(QString(), dir.path()));
        QVERIFY(!MLWorkspace::selectFile(QString(), dir.filePath(u"gone"_s)));
        QCOMPARE(MLWorkspace::recordedCalls().size(), 1);
        QCOMPARE(MLWorkspace::recordedCalls()[0].kind, MLWorkspace::Call::Kind::RevealInFileViewer);
        QCOMPARE(MLWorkspace::recordedCalls()[0].url, QUrl::fromLocalFile(QDir(dir.path()).absolutePath()));
    }

    // ---- images ----

    // The application style's standard icons are made on first use, once, and look as the style's own.
    void standardIconsWaitForFirstUse_data() {
        QTest::addColumn<QStyle::StandardPixmap>("which");
        QTest::addColumn<int>("extent");
        QTest::newRow("menu bar overflow") << QStyle::SP_ToolBarHorizontalExtensionButton << 16;
        QTest::newRow("warning") << QStyle::SP_MessageBoxWarning << 32;
        QTest::newRow("back") << QStyle::SP_ArrowBack << 24;
    }
    void standardIconsWaitForFirstUse() {
        QFETCH(QStyle::StandardPixmap, which);
        QFETCH(int, extent);
        auto *base = new CountingStyle;
        MLAppStyle style(base);
        const QIcon icon = style.standardIcon(which);
        QCOMPARE(base->asked, 0);
        const QSize size(extent, extent);
        const QImage drawn = icon.pixmap(size).toImage();
        QVERIFY(!drawn.isNull());
        QCOMPARE(base->asked, 1);
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(u"Fusion"_s));
        const QIcon own = fusion->standardIcon(which);
        QCOMPARE(drawn, own.pixmap(size).toImage());
        QCOMPARE(icon.actualSize(size), own.actualSize(size));
        QCOMPARE(base->asked, 1);
    }

    // ---- subtitle table ----

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

ML_TEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
