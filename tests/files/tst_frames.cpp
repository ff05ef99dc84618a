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

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
    }
    void init() {
        m_standin->server().clearReceivedRequests();
        m_standin->signInDemo();
    }

    // The first tab after the delay, then a started job brings the history into view once: the
    // second notification of the same job changes nothing. Back on the history tab, the same page
    // reloads.
    void historyNotificationSwitchesOnce_data() {
        QTest::addColumn<bool>("audio");
        QTest::newRow("documents") << false;
        QTest::newRow("audio") << true;
    }

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

        section.frame->leftView()->clickTab(1);
        MLPageView *history = section.frame->existingPage(2);
        section.frame->leftView()->clickTab(2);
        QCOMPARE(section.frame->existingPage(2), history);
        QTRY_COMPARE(m_standin->server().receivedRequests(section.historyPath).size(), 2);
    }
};

ML_TEST_MAIN(TestFrames)
#include "tst_frames.moc"
