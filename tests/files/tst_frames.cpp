#include "FilesTestSupport.h"
#include "files/MLAudioTranslationSonView.h"
#include "files/MLAudioTranslationView.h"
#include "files/MLAudioTranslationViewaToolBarView.h"
#include "files/MLDocumentTranslationView.h"
#include "files/MLDocumentTranslationViewToolBarView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "ui/widgets/MLSectionToolBar.h"

using namespace Qt::StringLiterals;

namespace {

// Either section, seen through what both have in common.
struct Section {
    std::unique_ptr<MLSectionFrame> frame;
    QString notification;
    QString historyPath;
};

Section makeSection(bool audio) {
    Section section;
    if (audio) {
        section.frame = std::make_unique<MLAudioTranslationView>();
        section.notification = MLAudioTranslationSonView::kHistoricalNotification;
        section.historyPath = u"/voiceTranslate/getVoiceTranslateList"_s;
    } else {
        section.frame = std::make_unique<MLDocumentTranslationView>();
        section.notification = MLDocumentTranslationViewToolBarView::kHistoricalNotification;
        section.historyPath = u"/documentTranslate/getTranslateList"_s;
    }
    section.frame->resize(1039, 673);
    return section;
}

} // namespace

class TestFrames : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    int m_logouts = 0;

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        MLNotificationCenter::defaultCenter().addObserver(this, u"NotificationUSERLOGOUT"_s,
                                                          [this](const MLNotification &) { ++m_logouts; });
    }
    void init() {
        m_logouts = 0;
        m_standin->server().clearReceivedRequests();
        m_standin->signInDemo();
    }

    void sections_data() {
        QTest::addColumn<bool>("audio");
        QTest::newRow("documents") << false;
        QTest::newRow("audio") << true;
    }

    // The first tab after the delay, then a started job brings the history into view once: the
    // second notification of the same job changes nothing.
    void historyNotificationSwitchesOnce_data() { sections_data(); }
    void historyNotificationSwitchesOnce() {
        QFETCH(bool, audio);
        Section section = makeSection(audio);
        QCOMPARE(section.frame->seletedIndex(), 0);
        QTRY_COMPARE(section.frame->seletedIndex(), 1);
        QVERIFY(section.frame->pageInView() == section.frame->existingPage(1));
        QVERIFY(!section.frame->existingPage(2));

        MLNotificationCenter::defaultCenter().postNotificationName(section.notification);
        QCOMPARE(section.frame->seletedIndex(), 2);
        QVERIFY(section.frame->pageInView() == section.frame->existingPage(2));
        QTRY_COMPARE(m_standin->server().receivedRequests(section.historyPath).size(), 1);

        MLNotificationCenter::defaultCenter().postNotificationName(section.notification);
        ml::test::settle(section.frame.get());
        QCOMPARE(m_standin->server().receivedRequests(section.historyPath).size(), 1);

        // The other section's notification is not this one's.
        section.frame->leftView()->clickTab(1);
        MLNotificationCenter::defaultCenter().postNotificationName(
            audio ? MLDocumentTranslationViewToolBarView::kHistoricalNotification
                  : MLAudioTranslationSonView::kHistoricalNotification);
        QCOMPARE(section.frame->seletedIndex(), 1);
        QCOMPARE(m_logouts, 0);
    }

    // Back to the history tab: the same page, reloaded from its first page.
    void historyPageIsKeptAndReloaded_data() { sections_data(); }
    void historyPageIsKeptAndReloaded() {
        QFETCH(bool, audio);
        Section section = makeSection(audio);
        QTRY_COMPARE(section.frame->seletedIndex(), 1);
        section.frame->leftView()->clickTab(2);
        MLPageView *history = section.frame->existingPage(2);
        section.frame->leftView()->clickTab(1);
        section.frame->refreshData(); // the upload page's refresh fetches nothing
        section.frame->leftView()->clickTab(2);
        QCOMPARE(section.frame->existingPage(2), history);
        QTRY_COMPARE(m_standin->server().receivedRequests(section.historyPath).size(), 2);
        section.frame->refreshData();
        QTRY_COMPARE(m_standin->server().receivedRequests(section.historyPath).size(), 3);
        const auto last = m_standin->server().lastRequest(section.historyPath);
        QCOMPARE(last->params.value(u"pageNum"_s).toInt(), 1);
    }
};

ML_TEST_MAIN(TestFrames)
#include "tst_frames.moc"
