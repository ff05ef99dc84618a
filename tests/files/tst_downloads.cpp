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
#include "support/TrickleServer.h"
#include "ui/widgets/MLToast.h"

#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

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
        MLWorkspace::setRecorder(true);
        m_window.resize(1039, 673);
        m_window.show();
    }
    void init() {
        m_standin->signInDemo();
        qDeleteAll(m_window.findChildren<MBProgressHUD *>(QString(), Qt::FindDirectChildrenOnly));
        QDir(folder(NSDocumentTranslationHistoryCellView::kFolderName)).removeRecursively();
        QDir(folder(MLAudioTranslationHistoryCellView::kFolderName)).removeRecursively();
        MLResultDownload::setProgressRule({});
    }

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

ML_TEST_MAIN(TestDownloads)
#include "tst_downloads.moc"
