#include "FilesTestSupport.h"
#include "StandinDocumentRoutes.h"
#include "StandinFileJobs.h"
#include "core/session/MLUserManager.h"
#include "files/MLAudioTranslationHistoryCellView.h"
#include "files/MLDownloadFileName.h"
#include "files/MLResultDownload.h"
#include "files/NSDocumentTranslationHistoryCellView.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "ui/widgets/MLToast.h"

#include "support/TrickleServer.h"

#include <QDirIterator>
#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

class TestDownloads : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    StandinFileJobs *m_jobs = nullptr;
    QWidget m_window; // hosts the rows; overlays and toasts go on it

    StandinServer &server() { return m_standin->server(); }

    QString folder(const QString &name) { return MLResultDownload::documentsFolder(name); }
    QStringList filesIn(const QString &path) { return QDir(path).entryList(QDir::Files | QDir::Hidden); }

    // A finished document job of the demo account whose result the stand-in serves.
    NSDocumentTranslationHistoryModel finishedDocument(const QString &targetName, const QByteArray &content,
                                                       int status = 3) {
        StandinFileJobs::DocumentJob job;
        job.consumerId = 10001;
        job.sourceFileName = QStringLiteral("source.docx");
        job.targetFileName = targetName;
        job.content = content;
        job.status = status;
        job.started = true;
        const StandinFileJobs::DocumentJob &added = m_jobs->addDocumentJob(job);
        StandinDocumentRoutes::serveResult(server(), *m_jobs, added.id);
        NSDocumentTranslationHistoryModel model;
        model.sourceFileName = added.sourceFileName;
        model.targetFileUrl = m_jobs->resultUrl(added);
        model.translateStatus = 3;
        return model;
    }

    // A finished transcript job of the demo account, as its history row holds it.
    NSAudioTranslationHistoryModel finishedTranscript(const QString &fileName) {
        NSAudioTranslationHistoryModel model;
        model.aid = m_jobs->voiceJobs(10001).first().id;
        model.fileName = fileName;
        model.translateStatus = 3;
        return model;
    }

    // Clicks "下载" and waits until the folder has been revealed.
    void download(MLJobHistoryCellView *row) {
        const qsizetype before = MLWorkspace::recordedCalls().size();
        QVERIFY(row->consumptionLabel()->isVisibleTo(row));
        QTest::mouseClick(row->consumptionLabel(), Qt::LeftButton);
        QCOMPARE(ml::test::spinnerCount(&m_window), 1);
        QTRY_COMPARE(MLWorkspace::recordedCalls().size(), before + 1);
        QTRY_COMPARE(ml::test::spinnerCount(&m_window), 0);
    }

    void verifyRevealed(const QString &path) {
        const MLWorkspace::Call call = MLWorkspace::recordedCalls().last();
        QCOMPARE(call.kind, MLWorkspace::Call::Kind::RevealInFileViewer);
        QCOMPARE(call.url, QUrl::fromLocalFile(path));
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
        MLWorkspace::setRecorder(true);
        m_window.resize(1039, 673);
        m_window.show();
    }
    void init() {
        m_standin->signInDemo();
        qDeleteAll(m_window.findChildren<MBProgressHUD *>(QString(), Qt::FindDirectChildrenOnly));
        QDir(folder(NSDocumentTranslationHistoryCellView::kFolderName)).removeRecursively();
        QDir(folder(MLAudioTranslationHistoryCellView::kFolderName)).removeRecursively();
    }

    void linkOnlyForFinishedJobs_data() {
        QTest::addColumn<qint64>("status");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("shown");
        QTest::newRow("0") << qint64(0) << "http://h/r.docx" << false;
        QTest::newRow("1") << qint64(1) << "http://h/r.docx" << false;
        QTest::newRow("2") << qint64(2) << "http://h/r.docx" << false;
        QTest::newRow("3") << qint64(3) << "http://h/r.docx" << true;
        QTest::newRow("4") << qint64(4) << "http://h/r.docx" << false;
        QTest::newRow("3 without a result address") << qint64(3) << "" << false;
    }
    void linkOnlyForFinishedJobs() {
        QFETCH(qint64, status);
        QFETCH(QString, url);
        QFETCH(bool, shown);
        NSDocumentTranslationHistoryCellView document(&m_window);
        document.setModel(
            {QStringLiteral("a.docx"), {}, url, status, QStringLiteral("状态"), QStringLiteral("3点")});
        QCOMPARE(document.consumptionLabel()->isVisibleTo(&document), shown);
        QCOMPARE(document.timeLabel()->text(), QStringLiteral("状态"));
        QCOMPARE(document.startTimeLabel()->text(), QStringLiteral("3点"));
        MLAudioTranslationHistoryCellView audio(&m_window);
        NSAudioTranslationHistoryModel model;
        model.translateStatus = status;
        audio.setModel(model);
        QCOMPARE(audio.consumptionLabel()->isVisibleTo(&audio), status == 3);
    }

    void savedNames_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *tag, const char *kind, const char *input, const char *expected) {
            QTest::newRow(tag) << QString::fromUtf8(kind) << QString::fromUtf8(input)
                               << QString::fromUtf8(expected);
        };
        row("result address", "url", "http://h/x/result.docx", "result.docx");
        row("query is not part of the name", "url", "http://h/x/r.pdf?Signature=a/b", "r.pdf");
        row("encoded name", "url", "http://h/x/%E8%AF%91%E6%96%87.docx", "译文.docx");
        row("encoded slashes", "url", "http://h/x/..%2F..%2Fevil.docx", "evil.docx");
        row("no name in the address", "url", "http://h/", "document");
        row("meeting.mp3", "audio", "meeting.mp3", "meeting.txt");
        row("talk.final.wav", "audio", "talk.final.wav", "talk.final.txt");
        row("memo", "audio", "memo", "memo.txt");
        row("audio name with folders", "audio", "../../.ssh/key.mp3", "key.txt");
        row("audio name ..", "audio", "..", "transcript.txt");
        row("backslashes", "name", "..\\..\\win.ini", "win.ini");
        row("control characters", "name", "a\nb\r\x01.txt", "ab.txt");
        row("only a folder", "name", "dir/", "fallback");
        row("dot dot", "name", "..", "fallback");
    }
    void savedNames() {
        QFETCH(QString, kind);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        const QString name = kind == QLatin1String("url") ? MLDownloadFileName::documentFileName(QUrl(input))
                             : kind == QLatin1String("audio")
                                 ? MLDownloadFileName::transcriptFileName(input)
                                 : MLDownloadFileName::safeFileName(input, "fallback");
        QCOMPARE(name, expected);
    }

    void overlongNamesKeepTheirExtension() {
        const QString name = MLDownloadFileName::safeFileName(QString(300, QChar(0x8BD1)) + ".docx", "x");
        QVERIFY(name.toUtf8().size() <= MLDownloadFileName::kMaxNameBytes);
        QVERIFY(name.endsWith(".docx"));
        QCOMPARE(MLDownloadFileName::numberedName("r.docx", 2), QStringLiteral("r (2).docx"));
    }

    // The result lands in Documents/DocumentTranslation; a second download keeps the first file.
    void documentResultIsSavedAndRevealed() {
        NSDocumentTranslationHistoryCellView row(&m_window);
        row.setModel(finishedDocument(QStringLiteral("result.docx"), "first"));
        const QString target = folder(NSDocumentTranslationHistoryCellView::kFolderName);
        const mode_t umask = ::umask(027);
        download(&row);
        ::umask(umask);
        readsAs(QDir(target).filePath("result.docx"), "first");
        verifyRevealed(target);
        // The user's usual mode, 0666 less the umask, not the temporary file's 0600.
        QCOMPARE(QFileInfo(QDir(target).filePath("result.docx")).permissions() &
                     ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

        row.setModel(finishedDocument(QStringLiteral("result.docx"), "second"));
        download(&row);
        readsAs(QDir(target).filePath("result.docx"), "first");
        readsAs(QDir(target).filePath("result (1).docx"), "second");
        QCOMPARE(filesIn(target).size(), 2); // no temporary file is left behind
    }

    void hostileResultNameStaysInTheFolder() {
        NSDocumentTranslationHistoryCellView row(&m_window);
        row.setModel(finishedDocument(QStringLiteral("../../evil.docx"), "payload"));
        download(&row);
        const QString target = folder(NSDocumentTranslationHistoryCellView::kFolderName);
        readsAs(QDir(target).filePath("evil.docx"), "payload");
        const QString documents = QFileInfo(target).absolutePath();
        QVERIFY(!QFile::exists(QDir(documents).filePath("evil.docx")));
        QVERIFY(!QFile::exists(QDir(documents).filePath("../evil.docx")));
    }

    // Nothing is saved, the folder is opened all the same and the user is told.
    void failedDownloads_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("not finished: 404") << "unfinished";
        QTest::newRow("local file") << "file:///etc/hostname";
        QTest::newRow("nothing listening") << "http://127.0.0.1:9/r.docx";
    }
    void failedDownloads() {
        QFETCH(QString, address);
        NSDocumentTranslationHistoryModel model = finishedDocument(QStringLiteral("r.docx"), "x", 1);
        if (address != QLatin1String("unfinished"))
            model.targetFileUrl = address;
        NSDocumentTranslationHistoryCellView row(&m_window);
        row.setModel(model);
        download(&row);
        const QString target = folder(NSDocumentTranslationHistoryCellView::kFolderName);
        verifyRevealed(target);
        QVERIFY(filesIn(target).isEmpty());
        QCOMPARE(ml::test::toastTexts(&m_window), QStringList{QStringLiteral("下载失败")});
    }

    // Downloads have no deadline but must keep moving: a byte now and then is a stall, a slow but
    // steady answer that takes many windows finishes.
    void progressDecidesNotDuration_data() {
        QTest::addColumn<int>("piece");
        QTest::addColumn<bool>("saved");
        QTest::newRow("a byte now and then") << 1 << false;
        QTest::newRow("slow but steady") << 1024 << true;
    }
    void progressDecidesNotDuration() {
        QFETCH(int, piece);
        QFETCH(bool, saved);
        const QByteArray content(24 * 1024, 'r');
        ml::test::TrickleServer trickle(content, piece, 50); // 24 KB take 1.2 s when steady
        QVERIFY(trickle.isListening());
        MLResultDownload::setProgressRule({200, 512});
        NSDocumentTranslationHistoryModel model = finishedDocument(QStringLiteral("slow.docx"), "x");
        model.targetFileUrl = trickle.url(QStringLiteral("/slow.docx"));
        NSDocumentTranslationHistoryCellView row(&m_window);
        row.setModel(model);
        download(&row);
        MLResultDownload::setProgressRule({});
        const QString target = folder(NSDocumentTranslationHistoryCellView::kFolderName);
        if (saved)
            readsAs(QDir(target).filePath("slow.docx"), content);
        else
            QCOMPARE(ml::test::toastTexts(&m_window), QStringList{QStringLiteral("下载失败")});
    }

    // A disk that fills up during the download: the log says why, the user sees "下载失败".
    void fullDiskLogsTheReason() {
        NSDocumentTranslationHistoryCellView row(&m_window);
        row.setModel(finishedDocument(QStringLiteral("big.docx"), QByteArray(256 * 1024, 'b')));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^保存文件失败：File too large$")));
        // A file size limit fails the writes as a full disk does: part of a write, then nothing.
        const sighandler_t previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const rlimit tight{16 * 1024 + 100, limit.rlim_max};
        QVERIFY(setrlimit(RLIMIT_FSIZE, &tight) == 0);
        download(&row);
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, previous);
        QVERIFY(filesIn(folder(NSDocumentTranslationHistoryCellView::kFolderName)).isEmpty());
        QCOMPARE(ml::test::toastTexts(&m_window), QStringList{QStringLiteral("下载失败")});
    }

    // The transcript is fetched with the user's token and without the channel field.
    void transcriptIsSavedWithTheUsersToken() {
        const StandinFileJobs::VoiceJob seeded = m_jobs->voiceJobs(10001).first();
        MLAudioTranslationHistoryCellView row(&m_window);
        row.setModel(finishedTranscript(seeded.fileName));
        download(&row);
        const QString target = folder(MLAudioTranslationHistoryCellView::kFolderName);
        readsAs(QDir(target).filePath(QStringLiteral("周会录音.txt")), seeded.transcript.toUtf8());
        verifyRevealed(target);
        const auto request = server().lastRequest("/voiceTranslate/downloadTranslateContent");
        QCOMPARE(request->method, QByteArray("GET"));
        QCOMPARE(request->token, m_standin->demoToken());
        QVERIFY(!request->headers.contains("userchannel"));
        QCOMPARE(request->header("ostype"), QByteArray("4"));
    }

    // Without a user no token is sent; the service's refusal is not saved as the transcript.
    void transcriptWithoutUserIsNotSaved() {
        MLUserManager::sharedManager().logoutBlock(nullptr);
        MLAudioTranslationHistoryCellView row(&m_window);
        row.setModel(finishedTranscript(QStringLiteral("meeting.mp3")));
        download(&row);
        QVERIFY(!server().lastRequest("/voiceTranslate/downloadTranslateContent")->headers.contains("tk"));
        QVERIFY(filesIn(folder(MLAudioTranslationHistoryCellView::kFolderName)).isEmpty());
        QCOMPARE(ml::test::toastTexts(&m_window), QStringList{QStringLiteral("下载失败")});
    }

    // A download runs to its end when its row is gone, and its end takes away its own spinner only,
    // not a toast that another request put on top meanwhile.
    void downloadOutlivesItsRow() {
        server().injectFault("/voiceTranslate/downloadTranslateContent", StandinFault::delay(150));
        auto *row = new MLAudioTranslationHistoryCellView(&m_window);
        row->setModel(finishedTranscript(QStringLiteral("gone.m4a")));
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

ML_TEST_MAIN(TestDownloads)
#include "tst_downloads.moc"
