#include "core/session/MLUserManager.h"
#include "platform/kit/MLNotificationCenter.h"
#include "support/MLTestMain.h"
#include "ui/widgets/MLSectionFrame.h"
#include "ui/widgets/MLSectionToolBar.h"
#include "ui/widgets/MLSimultaneousInterpretationToolBarSonView.h"

#include <QTimer>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

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

class TestSectionFrame : public QObject {
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
};

ML_TEST_MAIN(TestSectionFrame)
#include "tst_sectionframe.moc"
