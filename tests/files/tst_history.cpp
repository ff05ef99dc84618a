// The file sections' job histories: paging, failures, the history brought into view, and the
// downloads of their results (names, folders, failures).
#include "FilesTestSupport.h"
#include "StandinDocumentRoutes.h"
#include "StandinFileJobs.h"
#include "core/session/MLUserManager.h"
#include "files/MLAudioTranslationHistoryCellView.h"
#include "files/MLAudioTranslationHistoryView.h"
#include "files/MLAudioTranslationSonView.h"
#include "files/MLAudioTranslationView.h"
#include "files/MLDocumentTranslationHistoryView.h"
#include "files/MLDocumentTranslationView.h"
#include "files/MLDocumentTranslationViewToolBarView.h"
#include "files/MLDownloadFileName.h"
#include "files/MLResultDownload.h"
#include "files/NSDocumentTranslationHistoryCellView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "support/TrickleServer.h"
#include "ui/widgets/MLSectionToolBar.h"
#include "ui/widgets/MLToast.h"
#include "ui/widgets/NSNotDataView.h"
#include "ui/widgets/NSPagingView.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableWidget>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

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
    QWidget m_window; // hosts the download rows; overlays and toasts go on it

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

    QString folder(const QString &name) { return MLResultDownload::documentsFolder(name); }
    QStringList filesIn(const QString &path) { return QDir(path).entryList(QDir::Files | QDir::Hidden); }

    // A finished document job of the demo account whose result the stand-in serves.
    NSDocumentTranslationHistoryModel finishedDocument(const QString &targetName, const QByteArray &content,
                                                       int status = 3) {
        StandinFileJobs::DocumentJob job;
        job.consumerId = 10001;
        job.sourceFileName = u"source.docx"_s;
        job.targetFileName = targetName;
        job.content = content;
        job.status = status;
        job.started = true;
        const StandinFileJobs::DocumentJob &added = m_jobs->addDocumentJob(job);
        StandinDocumentRoutes::serveResult(server(), *m_jobs, added.id);
        return {job.sourceFileName, {}, m_jobs->resultUrl(added), 3, {}, {}};
    }

    // A finished transcript job of the demo account, as its history row holds it.
    NSAudioTranslationHistoryModel finishedTranscript(const QString &fileName) {
        NSAudioTranslationHistoryModel model;
        model.aid = m_jobs->voiceJobs(10001).first().id;
        model.fileName = fileName;
        model.translateStatus = 3;
        return model;
    }

    // Clicks "下载" and waits until the row's folder has been revealed (also when the download failed).
    void download(MLJobHistoryCellView *row) {
        const qsizetype before = MLWorkspace::recordedCalls().size();
        QVERIFY(row->consumptionLabel()->isVisibleTo(row));
        QTest::mouseClick(row->consumptionLabel(), Qt::LeftButton);
        QCOMPARE(ml::test::spinnerCount(&m_window), 1);
        QTRY_COMPARE(MLWorkspace::recordedCalls().size(), before + 1);
        QTRY_COMPARE(ml::test::spinnerCount(&m_window), 0);
        const MLWorkspace::Call call = MLWorkspace::recordedCalls().last();
        QCOMPARE(call.kind, MLWorkspace::Call::Kind::RevealInFileViewer);
        QCOMPARE(call.url,
                 QUrl::fromLocalFile(folder(qobject_cast<MLAudioTranslationHistoryCellView *>(row)
                                                ? MLAudioTranslationHistoryCellView::kFolderName
                                                : NSDocumentTranslationHistoryCellView::kFolderName)));
    }

    void readsAs(const QString &path, const QByteArray &content) {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        QCOMPARE(file.readAll(), content);
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        m_jobs = StandinFileJobs::of(server());
        QVERIFY(m_jobs);
        MLWorkspace::setRecorder(true);
        m_window.resize(1039, 673);
        m_window.show();
    }
    void init() {
        server().clearReceivedRequests();
        server().clearFaults();
        m_standin->signInDemo();
        qDeleteAll(m_window.findChildren<MBProgressHUD *>(QString(), Qt::FindDirectChildrenOnly));
        QDir(folder(NSDocumentTranslationHistoryCellView::kFolderName)).removeRecursively();
        QDir(folder(MLAudioTranslationHistoryCellView::kFolderName)).removeRecursively();
        MLResultDownload::setProgressRule({});
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

    // ---- result downloads ----

    void linkOnlyForFinishedJobs_data() {
        QTest::addColumn<qint64>("status");
        QTest::addColumn<QString>("url");
        QTest::newRow("finished") << qint64(3) << u"http://h/r.docx"_s;
        QTest::newRow("running") << qint64(2) << u"http://h/r.docx"_s;
        QTest::newRow("finished without a result address") << qint64(3) << QString();
    }
    void linkOnlyForFinishedJobs() {
        QFETCH(qint64, status);
        QFETCH(QString, url);
        NSDocumentTranslationHistoryCellView document(&m_window);
        document.setModel({u"a.docx"_s, {}, url, status, {}, {}});
        QCOMPARE(document.consumptionLabel()->isVisibleTo(&document), status == 3 && !url.isEmpty());
        MLAudioTranslationHistoryCellView audio(&m_window);
        NSAudioTranslationHistoryModel model;
        model.translateStatus = status;
        audio.setModel(model);
        QCOMPARE(audio.consumptionLabel()->isVisibleTo(&audio), status == 3);
    }

    // Names from the network are plain file names; only a last dot starts an extension, not a leading
    // one (".hidden").
    void savedNames_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *tag, const char *kind, const char *input, const char *expected) {
            QTest::newRow(tag) << QString::fromUtf8(kind) << QString::fromUtf8(input)
                               << QString::fromUtf8(expected);
        };
        row("query is not part of the name", "url", "http://h/x/r.pdf?Signature=a/b", "r.pdf");
        row("encoded name", "url", "http://h/x/%E8%AF%91%E6%96%87.docx", "译文.docx");
        row("encoded slashes", "url", "http://h/x/..%2F..%2Fevil.docx", "evil.docx");
        row("no name in the address", "url", "http://h/", "document");
        row("talk.final.wav", "audio", "talk.final.wav", "talk.final.txt");
        row("audio name with folders", "audio", "../../.ssh/key.mp3", "key.txt");
        row("audio name ..", "audio", "..", "transcript.txt");
        row("audio dot-file", "audio", ".hidden", ".hidden.txt");
        row("numbered dot-file", "numbered", ".hidden", ".hidden (1)");
        row("backslashes", "name", "..\\..\\win.ini", "win.ini");
        row("control characters", "name", "a\nb\r\x01.txt", "ab.txt");
        row("only a folder", "name", "dir/", "fallback");
    }
    void savedNames() {
        QFETCH(QString, kind);
        QFETCH(QString, input);
        const QString name = kind == "url"_L1        ? MLDownloadFileName::documentFileName(QUrl(input))
                             : kind == "audio"_L1    ? MLDownloadFileName::transcriptFileName(input)
                             : kind == "numbered"_L1 ? MLDownloadFileName::numberedName(input, 1)
                                                     : MLDownloadFileName::safeFileName(input, "fallback");
        QTEST(name, "expected");
    }

    // An overlong name is cut between whole characters, an emoji (two UTF-16 units) included, and
    // keeps its extension.
    void overlongNamesAreCutBetweenCharacters_data() {
        QTest::addColumn<QString>("base");
        QTest::newRow("Chinese") << QString(300, QChar(0x8BD1));
        const QString emoji = u"\U0001F600"_s.repeated(100);
        for (int shift = 0; shift < 4; ++shift)
            QTest::addRow("emoji after %d letters", shift) << QString(shift, u'a') + emoji;
    }
    void overlongNamesAreCutBetweenCharacters() {
        QFETCH(QString, base);
        const QString name = MLDownloadFileName::safeFileName(base + u".docx"_s, u"x"_s);
        QVERIFY(name.toUtf8().size() <= MLDownloadFileName::kMaxNameBytes);
        QVERIFY(name.endsWith(u".docx"_s));
        QVERIFY(name.isValidUtf16());
        QVERIFY(base.startsWith(name.chopped(5)));
    }

    // The result lands in Documents/DocumentTranslation with the user's usual mode; a second download
    // keeps the first file.
    void documentResultIsSavedAndRevealed() {
        NSDocumentTranslationHistoryCellView row(&m_window);
        row.setModel(finishedDocument(u"result.docx"_s, "first"));
        const QString target = folder(NSDocumentTranslationHistoryCellView::kFolderName);
        const mode_t umask = ::umask(027);
        download(&row);
        ::umask(umask);
        readsAs(QDir(target).filePath("result.docx"), "first");
        // 0666 less the umask, not the temporary file's 0600.
        QCOMPARE(QFileInfo(QDir(target).filePath("result.docx")).permissions() &
                     ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

        row.setModel(finishedDocument(u"result.docx"_s, "second"));
        download(&row);
        readsAs(QDir(target).filePath("result.docx"), "first");
        readsAs(QDir(target).filePath("result (1).docx"), "second");
        QCOMPARE(filesIn(target).size(), 2); // no temporary file is left behind
    }

    // A hostile name stays in the folder; a slow but steady answer that takes many progress windows
    // finishes (downloads have no deadline). Otherwise nothing is saved, the folder is opened all the
    // same and the user sees "下载失败"; a full disk logs the system's reason.
    void documentDownloads_data() {
        QTest::addColumn<QString>("how"); // the result's name, its address, or how it is served
        QTest::addColumn<QString>("saved");
        QTest::newRow("hostile name") << u"../../evil.docx"_s << u"evil.docx"_s;
        QTest::newRow("slow but steady") << u"steady"_s << u"r.docx"_s;
        QTest::newRow("not finished: 404") << u"unfinished"_s << QString();
        QTest::newRow("local file") << u"file:///etc/hostname"_s << QString();
        QTest::newRow("nothing listening") << u"http://127.0.0.1:9/r.docx"_s << QString();
        QTest::newRow("a byte now and then") << u"stall"_s << QString();
        QTest::newRow("full disk") << u"full"_s << QString();
    }
    void documentDownloads() {
        QFETCH(QString, how);
        QFETCH(QString, saved);
        const QByteArray content(24 * 1024, 'r'); // 1.2 s when trickled steadily
        ml::test::TrickleServer trickle(content, how == "steady"_L1 ? 1024 : 1, 50);
        MLResultDownload::setProgressRule({200, 512});
        NSDocumentTranslationHistoryModel model = finishedDocument(how.startsWith(u'.') ? how : u"r.docx"_s,
                                                                   content, how == "unfinished"_L1 ? 1 : 3);
        if (how.contains(u':'))
            model.targetFileUrl = how;
        if (how == "steady"_L1 || how == "stall"_L1)
            model.targetFileUrl = trickle.url(u"/r.docx"_s);
        // A file size limit fails the writes as a full disk does: part of a write, then nothing.
        const sighandler_t previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const auto restore = qScopeGuard([&] {
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, previous);
        });
        if (how == "full"_L1) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^保存文件失败：File too large$"_s));
            const rlimit tight{16 * 1024 + 100, limit.rlim_max};
            QVERIFY(setrlimit(RLIMIT_FSIZE, &tight) == 0);
        }
        NSDocumentTranslationHistoryCellView row(&m_window);
        row.setModel(model);
        download(&row);
        const QString target = folder(NSDocumentTranslationHistoryCellView::kFolderName);
        QCOMPARE(filesIn(target), saved.isEmpty() ? QStringList() : QStringList{saved});
        QCOMPARE(filesIn(QFileInfo(target).absolutePath()), QStringList()); // nothing beside the folder
        if (saved.isEmpty())
            QCOMPARE(ml::test::toastTexts(&m_window), QStringList{u"下载失败"_s});
        else
            readsAs(QDir(target).filePath(saved), content);
    }

    // The transcript is fetched with the user's token and without the channel field; without a user
    // no token is sent and the service's refusal is not saved as the transcript.
    void transcript_data() {
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("signed in") << true;
        QTest::newRow("signed out") << false;
    }
    void transcript() {
        QFETCH(bool, signedIn);
        if (!signedIn)
            MLUserManager::sharedManager().logoutBlock(nullptr);
        const StandinFileJobs::VoiceJob seeded = m_jobs->voiceJobs(10001).first();
        MLAudioTranslationHistoryCellView row(&m_window);
        row.setModel(finishedTranscript(u"周会.mp3"_s));
        download(&row);
        const QString target = folder(MLAudioTranslationHistoryCellView::kFolderName);
        const auto request = server().lastRequest("/voiceTranslate/downloadTranslateContent");
        QCOMPARE(request->token, signedIn ? m_standin->demoToken() : QString());
        QVERIFY(!request->headers.contains("userchannel"));
        if (signedIn)
            readsAs(QDir(target).filePath(u"周会.txt"_s), seeded.transcript.toUtf8());
        else
            QCOMPARE(ml::test::toastTexts(&m_window), QStringList{u"下载失败"_s});
        QCOMPARE(filesIn(target).size(), signedIn ? 1 : 0);
    }

    // A download runs to its end when its row is gone, and its end takes away its own spinner only,
    // not a toast that another request put on top meanwhile.
    void downloadOutlivesItsRow() {
        server().injectFault("/voiceTranslate/downloadTranslateContent", StandinFault::delay(150));
        auto *row = new MLAudioTranslationHistoryCellView(&m_window);
        row->setModel(finishedTranscript(u"gone.m4a"_s));
        QTest::mouseClick(row->consumptionLabel(), Qt::LeftButton);
        delete row;
        MLToast::makeToast(&m_window, QStringLiteral("链接超时!"), 60);
        const QString saved =
            QDir(folder(MLAudioTranslationHistoryCellView::kFolderName)).filePath("gone.txt");
        QTRY_VERIFY(QFile::exists(saved));
        QTRY_COMPARE(ml::test::spinnerCount(&m_window), 0);
        QCOMPARE(ml::test::toastTexts(&m_window), QStringList{QStringLiteral("链接超时!")});
    }
};

ML_TEST_MAIN(TestHistory)
#include "tst_history.moc"
