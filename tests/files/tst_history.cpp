#include "FilesTestSupport.h"
#include "StandinFileJobs.h"
#include "core/session/MLUserManager.h"
#include "files/MLAudioTranslationHistoryView.h"
#include "files/MLAudioTranslationSonView.h"
#include "files/MLAudioTranslationView.h"
#include "files/MLDocumentTranslationHistoryView.h"
#include "files/MLDocumentTranslationView.h"
#include "files/MLDocumentTranslationViewToolBarView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "ui/widgets/MLSectionToolBar.h"
#include "ui/widgets/NSNotDataView.h"
#include "ui/widgets/NSPagingView.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

using namespace Qt::StringLiterals;

namespace {
const QString kDocumentList = u"/documentTranslate/getTranslateList"_s;

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

class TestHistory : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    StandinFileJobs *m_jobs = nullptr;

    StandinServer &server() { return m_standin->server(); }
    qint64 requestedPage(const QString &path) {
        return server().lastRequest(path)->params.value(u"pageNum"_s).toInteger();
    }
    // A page that has shown its first answer.
    std::unique_ptr<MLDocumentTranslationHistoryView> loadedDocuments() {
        auto page = std::make_unique<MLDocumentTranslationHistoryView>();
        page->resize(1039, 673);
        page->show();
        page->refreshData();
        [&] { QTRY_VERIFY(page->dataModel().has_value()); }();
        return page;
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        m_jobs = StandinFileJobs::of(server());
        QVERIFY(m_jobs);
    }
    void init() {
        server().clearReceivedRequests();
        server().clearFaults();
        m_standin->signInDemo();
    }

    // Twelve seeded jobs make two pages of ten.
    void pagingThroughDocumentJobs() {
        auto page = loadedDocuments();
        QCOMPARE(page->numberOfRowsInTableView(), 10);
        QVERIFY(page->notDataView()->isHidden());

        QTest::mouseClick(page->pagingView()->previousButton(), Qt::LeftButton); // no previous page
        QTest::mouseClick(page->pagingView()->nextButton(), Qt::LeftButton);
        QTRY_COMPARE(page->numberOfRowsInTableView(), 2);
        QCOMPARE(page->currentPageNum(), 2);
        QCOMPARE(server().receivedRequests(kDocumentList).size(), 2);
        QTest::mouseClick(page->pagingView()->nextButton(), Qt::LeftButton); // no next page
        ml::test::settle(page.get());
        QCOMPARE(server().receivedRequests(kDocumentList).size(), 2);

        // "刷新" goes back to page 1 under an overlay over the page, which the answer removes.
        QTest::mouseClick(page->refreshBtn(), Qt::LeftButton);
        QCOMPARE(ml::test::spinnerCount(page.get()), 1);
        QCOMPARE(page->currentPageNum(), 1);
        QTRY_COMPARE(page->numberOfRowsInTableView(), 10);
        QTRY_COMPARE(ml::test::spinnerCount(page.get()), 0);
        QCOMPARE(requestedPage(kDocumentList), 1);

        // Ten rows outgrow the table: its scroll bar stays inside the panel's rounded corner.
        QTRY_VERIFY(page->tableView()->verticalScrollBar()->isVisible());
        // The bottom-right corner looks as the bottom-left one, which has no scroll bar.
        const QImage image = page->grab().toImage();
        const QRect content = page->contentView()->geometry().translated(page->bgView()->pos());
        QCOMPARE(image.pixelColor(content.bottomRight() + QPoint(-1, -1)),
                 image.pixelColor(content.bottomLeft() + QPoint(1, -1)));
    }

    void typedPageIsRequestedAsTyped_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint64>("requested");
        QTest::newRow("negative") << "-3" << qint64(-3);
        QTest::newRow("beyond the last") << "99" << qint64(99);
    }
    void typedPageIsRequestedAsTyped() {
        QFETCH(QString, typed);
        QFETCH(qint64, requested);
        auto page = loadedDocuments();
        page->pagingView()->pageField()->setText(typed);
        QTest::mouseClick(page->pagingView()->jumpButton(), Qt::LeftButton);
        QTRY_COMPARE(server().receivedRequests(kDocumentList).size(), 2);
        QCOMPARE(requestedPage(kDocumentList), requested);
        // Whatever the service answers is shown: here, no rows.
        QTRY_COMPARE(page->numberOfRowsInTableView(), 0);
        QVERIFY(!page->notDataView()->isHidden());
    }

    void failureKeepsTheRowsShown_data() {
        QTest::addColumn<StandinFault>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("service error") << StandinFault::answer(u"DIA500"_s, u"系统繁忙"_s) << "系统繁忙";
        QTest::newRow("connection dropped") << StandinFault::drop() << "链接超时!";
    }
    void failureKeepsTheRowsShown() {
        QFETCH(StandinFault, fault);
        QFETCH(QString, message);
        auto page = loadedDocuments();
        QTest::mouseClick(page->pagingView()->nextButton(), Qt::LeftButton);
        QTRY_COMPARE(page->numberOfRowsInTableView(), 2);
        server().injectFault(kDocumentList, fault);
        QTest::mouseClick(page->refreshBtn(), Qt::LeftButton);
        QTRY_COMPARE(ml::test::toastTexts(page.get()), QStringList{message});
        QCOMPARE(ml::test::spinnerCount(page.get()), 0);
        QCOMPARE(page->numberOfRowsInTableView(), 2);
        QCOMPARE(page->pagingView()->pageField()->text(), u"2"_s);
        QCOMPARE(page->currentPageNum(), 1); // the page that was asked for
    }

    // An account without jobs shows the empty state; its first job hides it again.
    void emptyStateComesAndGoes() {
        const QString token = server().state().issueToken(10002);
        MLUserManager::sharedManager().setCurrentUser(MLUserModel{token});
        MLAudioTranslationHistoryView page;
        page.resize(1039, 673);
        page.refreshData();
        QTRY_VERIFY(page.dataModel().has_value());
        QCOMPARE(page.numberOfRowsInTableView(), 0);
        QVERIFY(!page.notDataView()->isHidden());

        StandinFileJobs::VoiceJob job;
        job.consumerId = 10002;
        job.fileName = u"memo.amr"_s;
        job.status = 3;
        job.announced = job.ended = true;
        const qint64 id = m_jobs->addVoiceJob(job).id;
        page.refreshData();
        QTRY_COMPARE(page.numberOfRowsInTableView(), 1);
        QVERIFY(page.notDataView()->isHidden());
        auto *row = qobject_cast<MLAudioTranslationHistoryCellView *>(page.rowView(0));
        QVERIFY(row);
        QCOMPARE(row->audioTranslationHistoryModel().aid, id); // read from "id"
        QCOMPARE(row->timeLabel()->text(), u"转写完成"_s);
        m_jobs->clearJobs(10002);
    }

    // Last: the list route is replaced for the rest of this test case.
    void answerThatDoesNotMapShowsNothing() {
        auto page = loadedDocuments();
        QCOMPARE(page->numberOfRowsInTableView(), 10);
        server().route(kDocumentList, [](const StandinRequest &) { return StandinReply::success(u"[]"_s); });
        page->refreshData();
        QTRY_VERIFY(!page->dataModel().has_value());
        QCOMPARE(page->numberOfRowsInTableView(), 0);
        QVERIFY(!page->notDataView()->isHidden());
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
        QTRY_COMPARE(server().receivedRequests(section.historyPath).size(), 1);

        MLNotificationCenter::defaultCenter().postNotificationName(section.notification);
        ml::test::settle(section.frame.get());
        QCOMPARE(server().receivedRequests(section.historyPath).size(), 1);

        section.frame->leftView()->clickTab(1);
        MLPageView *history = section.frame->existingPage(2);
        section.frame->leftView()->clickTab(2);
        QCOMPARE(section.frame->existingPage(2), history);
        QTRY_COMPARE(server().receivedRequests(section.historyPath).size(), 2);
    }
};

ML_TEST_MAIN(TestHistory)
#include "tst_history.moc"
