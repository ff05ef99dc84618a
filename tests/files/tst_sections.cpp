// The file translation sections: the document and audio uploads, the job histories and the
// downloads of their results.
#include "StandinDocumentRoutes.h"
#include "StandinFileJobs.h"
#include "StandinObjectStore.h"
#include "StandinRequest.h"
#include "core/net/MLEncryptOperation.h"
#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"
#include "files/MLAudioTranslationHistoryCellView.h"
#include "files/MLAudioTranslationHistoryView.h"
#include "files/MLAudioTranslationSonView.h"
#include "files/MLAudioTranslationView.h"
#include "files/MLDocumentTranslationHistoryView.h"
#include "files/MLDocumentTranslationSonView.h"
#include "files/MLDocumentTranslationView.h"
#include "files/MLDocumentTranslationViewToolBarView.h"
#include "files/MLDownloadFileName.h"
#include "files/MLFileJobFailure.h"
#include "files/MLResultDownload.h"
#include "files/NSDocumentTranslationHistoryCellView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLOpenPanel.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "support/LiveUiSupport.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"
#include "support/RequestOutcome.h"
#include "support/StandinFixture.h"
#include "support/TestFiles.h"
#include "support/ToastTexts.h"
#include "support/TrickleServer.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLSectionToolBar.h"
#include "ui/widgets/MLToast.h"
#include "ui/widgets/NSNotDataView.h"
#include "ui/widgets/NSPagingView.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace ml::test {

// Progress overlays (not toasts) shown on `view` that have not gone yet.
inline int spinnerCount(QWidget *view) {
    int count = 0;
    for (QObject *child : view->children()) {
        auto *hud = qobject_cast<MBProgressHUD *>(child);
        count += hud && hud->mode() == MBProgressHUD::Mode::Indeterminate && !hud->hasFinished();
    }
    return count;
}

// The parameters' JSON text as an envelope request sent it (key order included).
inline QString sentJson(const StandinRequest &request) {
    return SecurityCore::decryptString(QJsonDocument::fromJson(request.body).object().value(u"dt"_s));
}

// Forgets the answers queued for alerts and open panels, the last alert and the recorded workspace calls.
inline void resetDialogs() {
    MLAlert::clearNextResponses();
    MLAlert::clearLastAlert();
    MLOpenPanel::clearNextResponses();
    MLWorkspace::clearRecordedCalls();
}

// Clicks an upload box with `path` chosen in the open panel and the alerts answered in order.
inline void chooseAndClick(QWidget *uploadBox, const QString &path, const QList<int> &alertResponses) {
    MLOpenPanel::setNextResponse(MLOpenPanel::OKResponse, path);
    for (int response : alertResponses)
        MLAlert::setNextResponse(response);
    QTest::mouseClick(uploadBox, Qt::LeftButton);
}

// Lets what is queued on the event loop run (an alert's answer, say), then waits for the answer to a
// request made after it: whatever the client sent before has reached the stand-in by then.
inline void settle(QObject *context) {
    auto ran = std::make_shared<bool>(false);
    QTimer::singleShot(0, context, [ran] { *ran = true; });
    QTRY_VERIFY(*ran);
    auto outcome = RequestOutcome::make();
    MLNetRequestManager::sharedService().postUrl(u"/meInfo/getMeInfo"_s, QString(), onAnswer(outcome),
                                                 onFailure(outcome), context);
    QTRY_VERIFY(outcome->finished());
}

} // namespace ml::test
using ml::test::toastTexts;

namespace {
const QString kCheck = u"/documentTranslate/checkTranslate"_s;
const QString kUpload = u"/file/uploadTranslateFile"_s;
const QString kStartDocument = u"/documentTranslate/startTranslate"_s;
const QString kCost = u"/voiceTranslate/calculateTranslateCost"_s;
const QString kStart = u"/voiceTranslate/startUploadFile"_s;
const QString kEnd = u"/voiceTranslate/endUploadFile"_s;
const QString kLeft = u"MLDocumentTranslationLeft"_s;
const QString kRight = u"MLDocumentTranslationRight"_s;
constexpr int kOK = MLAlert::FirstButtonReturn;
constexpr int kCancel = MLAlert::SecondButtonReturn;

QStringList numbered(int count) {
    QStringList list;
    for (int i = 1; i <= count; ++i)
        list << u".t%1"_s.arg(i);
    return list;
}

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
        section.notification = MLNotificationNames::kAudioTranslationHistorical;
        section.historyPath = u"/voiceTranslate/getVoiceTranslateList"_s;
    } else {
        section.frame = std::make_unique<MLDocumentTranslationView>();
        section.notification = MLNotificationNames::kDocumentHistorical;
        section.historyPath = u"/documentTranslate/getTranslateList"_s;
    }
    section.frame->resize(1039, 673);
    return section;
}

} // namespace

class TestFileSections : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    StandinFileJobs *m_jobs = nullptr;
    std::unique_ptr<MLDocumentTranslationSonView> m_document;
    std::unique_ptr<MLAudioTranslationSonView> m_audio;
    QTemporaryDir m_dir;
    int m_documentNotifications = 0;
    QList<int> m_audioNotifications; // for each: the end reports the service had received by then

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

    MLDocumentTranslationSonView *documentPage() {
        m_document = std::make_unique<MLDocumentTranslationSonView>();
        m_document->resize(1039, 673);
        m_document->show();
        [this] {
            QTRY_VERIFY(m_document->extensions().has_value());
            QTRY_VERIFY(!m_document->sourceLanguageView()->dataSource().isEmpty());
            QTRY_VERIFY(!m_document->targetLanguageView()->dataSource().isEmpty());
        }();
        server().clearReceivedRequests();
        return m_document.get();
    }
    MLAudioTranslationSonView *audioPage() {
        m_audio = std::make_unique<MLAudioTranslationSonView>();
        m_audio->resize(1039, 673);
        m_audio->show();
        [this] { QTRY_VERIFY(m_audio->extensions().has_value()); }();
        server().clearReceivedRequests();
        return m_audio.get();
    }

    QString document(const QString &name = u"季度报告.docx"_s) {
        return ml::test::writeFile(m_dir.path(), name, QByteArray("PK document body ") + name.toUtf8());
    }
    QString wav(const QString &name, double seconds) {
        const QString path = m_dir.filePath(name);
        const bool written =
            ml::test::writeWav(path, ml::test::signal({{seconds, 0.3, 440}}, 16000), 16000, 1);
        return written ? path : QString();
    }

    // A job priced by the service, as the audio page would have it.
    NSCalculateTranslateCostModel pricedJob(const QString &fileName) {
        auto outcome = ml::test::RequestOutcome::make();
        const QJsonObject parameters{
            {u"fileName"_s, fileName}, {u"fileSize"_s, u"10"_s}, {u"durationSec"_s, 3}};
        MLNetRequestManager::sharedService().postUrl(
            kCost, MLEncryptOperation::returnRequestJsonToDic(parameters), ml::test::onAnswer(outcome),
            ml::test::onFailure(outcome), this);
        [&] { QTRY_VERIFY(outcome->finished()); }();
        return ml::json::fromJson<NSCalculateTranslateCostModel>(
                   SecurityCore::decryptString(outcome->answer.toObject().value(u"dt"_s)))
            .value_or(NSCalculateTranslateCostModel{});
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
        auto &center = MLNotificationCenter::defaultCenter();
        center.addObserver(this, MLNotificationNames::kDocumentHistorical,
                           [this](const MLNotification &) { ++m_documentNotifications; });
        center.addObserver(this, MLNotificationNames::kAudioTranslationHistorical,
                           [this](const MLNotification &) {
                               m_audioNotifications << int(server().receivedRequests(kEnd).size());
                           });
    }
    void init() {
        server().clearReceivedRequests();
        server().clearFaults();
        m_standin->signInDemo();
        qDeleteAll(m_window.findChildren<MBProgressHUD *>(QString(), Qt::FindDirectChildrenOnly));
        QDir(folder(NSDocumentTranslationHistoryCellView::kFolderName)).removeRecursively();
        QDir(folder(MLAudioTranslationHistoryCellView::kFolderName)).removeRecursively();
        MLResultDownload::setProgressRule({});
        ml::test::storeLanguage(kLeft, u"en-US"_s, u"英语"_s, u"Y"_s);
        ml::test::storeLanguage(kRight, u"zh-Hans"_s, u"中文（普通话）"_s, u"Z"_s);
        ml::test::resetDialogs();
        m_documentNotifications = 0;
        m_audioNotifications.clear();
    }
    void cleanup() {
        m_document.reset();
        m_audio.reset();
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
        auto page = loadedDocuments();
        page->pagingView()->pageField()->setText(typed);
        QTest::mouseClick(page->pagingView()->jumpButton(), Qt::LeftButton);
        QTRY_COMPARE(server().receivedRequests(kDocumentList).size(), 2);
        QTEST(requestedPage(kDocumentList), "requested");
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
        row("DEL", "name", "a\x7f.txt", "a.txt");
        row("encoded DEL", "url", "http://h/x/r%7F.pdf", "r.pdf");
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
        QCOMPARE(ml::test::readFile(QDir(target).filePath("result.docx")), QByteArray("first"));
        // 0666 less the umask, not the temporary file's 0600.
        QCOMPARE(QFileInfo(QDir(target).filePath("result.docx")).permissions() &
                     ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

        row.setModel(finishedDocument(u"result.docx"_s, "second"));
        download(&row);
        QCOMPARE(ml::test::readFile(QDir(target).filePath("result.docx")), QByteArray("first"));
        QCOMPARE(ml::test::readFile(QDir(target).filePath("result (1).docx")), QByteArray("second"));
        QCOMPARE(filesIn(target).size(), 2); // no temporary file is left behind
    }

    // A hostile name stays in the folder; a slow but steady answer that takes many progress windows
    // finishes (downloads have no deadline). Otherwise nothing is saved, the folder is opened all the
    // same, no spinner is left and the user sees "下载失败"; a full disk logs the system's reason. A
    // good start does not excuse a stall later.
    void documentDownloads_data() {
        QTest::addColumn<QString>("how"); // the result's name, its address, or how it is served
        QTest::addColumn<QString>("saved");
        QTest::newRow("hostile name") << u"../../evil.docx"_s << u"evil.docx"_s;
        QTest::newRow("slow but steady") << u"steady"_s << u"r.docx"_s;
        QTest::newRow("not finished: 404") << u"unfinished"_s << QString();
        QTest::newRow("local file") << u"file:///etc/hostname"_s << QString();
        QTest::newRow("nothing listening") << u"http://127.0.0.1:9/r.docx"_s << QString();
        QTest::newRow("a byte now and then") << u"stall"_s << QString();
        QTest::newRow("fast, then nothing") << u"stops"_s << QString();
        QTest::newRow("full disk") << u"full"_s << QString();
    }
    void documentDownloads() {
        QFETCH(QString, how);
        QFETCH(QString, saved);
        // An ended transfer is not read any more.
        QTest::failOnWarning(QRegularExpression(u"device not open"_s));
        const QByteArray content(24 * 1024, 'r'); // 1.2 s when trickled steadily
        // Steady: 1 KB every 50 ms; a trickle: a byte every 50 ms; stopping: 1 KB every 10 ms up to
        // 16 KB, then nothing (longer than the 100 ms within which Qt tells download progress once).
        const bool stops = how == "stops"_L1;
        ml::test::TrickleServer trickle(content, how == "steady"_L1 || stops ? 1024 : 1, stops ? 10 : 50,
                                        stops ? 16 * 1024 : -1);
        // Trickled answers are judged by windows short enough for a stall to end within a second or
        // two, yet long enough for a steady answer (and the good start) to fill each one on a loaded
        // machine; the others keep the app's own rule.
        const bool trickled = how == "steady"_L1 || how == "stall"_L1 || stops;
        if (trickled)
            MLResultDownload::setProgressRule({1000, 512});
        NSDocumentTranslationHistoryModel model = finishedDocument(how.startsWith(u'.') ? how : u"r.docx"_s,
                                                                   content, how == "unfinished"_L1 ? 1 : 3);
        if (how.contains(u':'))
            model.targetFileUrl = how;
        if (trickled)
            model.targetFileUrl = trickle.url(u"/r.docx"_s);
        std::optional<ml::test::FileSizeLimit> fullDisk;
        if (how == "full"_L1) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^保存文件失败：File too large$"_s));
            fullDisk.emplace(16 * 1024 + 100);
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
            QCOMPARE(ml::test::readFile(QDir(target).filePath(saved)), content);
    }

    // The transcript is fetched with the user's token and without the channel field; without a user
    // no token is sent and the service's refusal is not saved as the transcript. A refusal is judged as
    // every answer is: its message, or "系统异常" for none.
    void transcript_data() {
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QByteArray>("refusal"); // served in place of the transcript
        QTest::addColumn<QString>("logged");     // the failure's log line
        QTest::newRow("signed in") << true << QByteArray() << QString();
        QTest::newRow("signed out") << false << QByteArray() << u"下载失败：登录已失效，请重新登录"_s;
        QTest::newRow("a message of only spaces")
            << true << QByteArray(R"({"code":"DIA007","message":"   "})") << u"下载失败：系统异常"_s;
        QTest::newRow("no message") << true << QByteArray(R"({"code":500})") << u"下载失败：系统异常"_s;
    }
    void transcript() {
        QFETCH(bool, signedIn);
        QFETCH(QByteArray, refusal);
        QFETCH(QString, logged);
        if (!signedIn)
            MLUserManager::sharedManager().logoutBlock(nullptr);
        if (!refusal.isEmpty())
            server().injectFault("/voiceTranslate/downloadTranslateContent",
                                 StandinFault::httpError(200, refusal));
        if (!logged.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(logged));
        const StandinFileJobs::VoiceJob seeded = m_jobs->voiceJobs(10001).first();
        MLAudioTranslationHistoryCellView row(&m_window);
        row.setModel(finishedTranscript(u"周会.mp3"_s));
        download(&row);
        const QString target = folder(MLAudioTranslationHistoryCellView::kFolderName);
        const auto request = server().lastRequest("/voiceTranslate/downloadTranslateContent");
        QCOMPARE(request->token, signedIn ? m_standin->demoToken() : QString());
        QVERIFY(!request->headers.contains("userchannel"));
        const bool saved = signedIn && refusal.isEmpty();
        if (saved)
            QCOMPARE(ml::test::readFile(QDir(target).filePath(u"周会.txt"_s)), seeded.transcript.toUtf8());
        else
            QCOMPARE(ml::test::toastTexts(&m_window), QStringList{u"下载失败"_s});
        QCOMPARE(filesIn(target).size(), saved ? 1 : 0);
    }

    // A download runs to its end when its row is gone, and its end takes away its own spinner only,
    // not a toast that another request put on top meanwhile.
    void downloadOutlivesItsRow() {
        server().injectFault("/voiceTranslate/downloadTranslateContent", StandinFault::delay(150));
        auto *row = new MLAudioTranslationHistoryCellView(&m_window);
        row->setModel(finishedTranscript(u"gone.m4a"_s));
        QTest::mouseClick(row->consumptionLabel(), Qt::LeftButton);
        delete row;
        MLToast::makeToast(&m_window, u"链接超时!"_s, 60);
        const QString saved =
            QDir(folder(MLAudioTranslationHistoryCellView::kFolderName)).filePath("gone.txt");
        QTRY_VERIFY(QFile::exists(saved));
        QTRY_COMPARE(ml::test::spinnerCount(&m_window), 0);
        QCOMPARE(ml::test::toastTexts(&m_window), QStringList{u"链接超时!"_s});
    }

    // ---- uploads ----

    void documentFormats_data() {
        QTest::addColumn<QList<QStringList>>("extensions");
        QTest::addColumn<QStringList>("allowed");
        QTest::addColumn<QString>("text");
        QTest::newRow("two formats") << QList<QStringList>{{".doc", ".docx"}, {".pdf"}}
                                     << QStringList{"doc", "docx", "pdf"}
                                     << u"支持的格式:（3种）\n\n.doc，.docx，.pdf"_s;
        const QStringList all = numbered(32);
        QTest::newRow("32: two lines, ending in a break")
            << QList<QStringList>{all.mid(0, 5), all.mid(5)} << QStringList()
            << u"支持的格式:（32种）\n\n"_s + all.mid(0, 16).join(u"，"_s) + "\n" +
                   all.mid(16).join(u"，"_s) + "\n";
    }
    void documentFormats() {
        QFETCH(QList<QStringList>, extensions);
        QFETCH(QStringList, allowed);
        NSDocumentTranslationModel model;
        for (const QStringList &format : extensions)
            model.value.append({format, {}, {}});
        const auto shown = MLDocumentTranslationSonView::formats(model);
        QTEST(shown.text, "text");
        if (!allowed.isEmpty())
            QCOMPARE(shown.allowedTypes, allowed);
    }

    // Confirmation, panel, check, upload, price, start, and the history brought into view.
    void documentChain() {
        StandinAccount *account = server().state().account(10001);
        const double balance = account->profile.balanceStr.toDouble();
        MLDocumentTranslationSonView *page = documentPage();
        const QString path = document();
        ml::test::chooseAndClick(page->updaloadView(), path, {kOK, kOK});
        QTRY_COMPARE(m_documentNotifications, 1);

        // The parameters go out in the order the service reads them, the digest over the same text.
        QCOMPARE(ml::test::sentJson(*server().lastRequest(kCheck)),
                 QStringLiteral(R"({"fileName":"季度报告.docx","fileSize":"%1","sourceLanguage":"en-US",)"
                                R"("targetLanguage":"zh-Hans"})")
                     .arg(QFileInfo(path).size()));

        const StandinRequest sent = *server().lastRequest(kUpload);
        QCOMPARE(sent.formFields.value("fileName"), u"季度报告.docx"_s);
        QVERIFY(!sent.formFields.value("key").isEmpty());
        QCOMPARE(sent.fileData, ml::test::readFile(path));
        QCOMPARE(sent.fileName, u"季度报告.docx"_s);

        // The job is the upload's, not the check's.
        const QString translateId =
            server().lastRequest(kStartDocument)->params.value("translateId").toString();
        QVERIFY(translateId != u"0"_s);
        const auto *job = StandinFileJobs::of(server())->documentJob(translateId.toLongLong());
        QVERIFY(job->started);
        QCOMPARE(account->profile.balanceStr.toDouble(),
                 balance - double(job->price)); // charged at the start
    }

    // "取消" on an alert ends the chain there: `sent` went out once, `notSent` never.
    void alertRefusedEndsTheChain_data() {
        QTest::addColumn<bool>("audio");
        QTest::addColumn<QList<int>>("alerts");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("notSent");
        QTest::newRow("document confirmation") << false << QList<int>{kCancel} << QString() << kCheck;
        QTest::newRow("document price") << false << QList<int>{kOK, kCancel} << kUpload << kStartDocument;
        QTest::newRow("audio price") << true << QList<int>{kCancel} << kCost << kStart;
    }
    void alertRefusedEndsTheChain() {
        QFETCH(bool, audio);
        QFETCH(QList<int>, alerts);
        QFETCH(QString, sent);
        QFETCH(QString, notSent);
        MLFileUploadView *page = audio ? static_cast<MLFileUploadView *>(audioPage()) : documentPage();
        ml::test::chooseAndClick(page->updaloadView(), audio ? wav(u"clip.wav"_s, 0.4) : document(), alerts);
        QTRY_COMPARE(MLAlert::pendingResponseCount(), 0);
        if (!sent.isEmpty())
            QTRY_COMPARE(server().receivedRequests(sent).size(), 1);
        ml::test::settle(page);
        QVERIFY(server().receivedRequests(notSent).isEmpty());
        QCOMPARE(m_documentNotifications + int(m_audioNotifications.size()), 0);
        QVERIFY(toastTexts(page).isEmpty());
    }

    void documentRefusals_data() {
        QTest::addColumn<QString>("name"); // empty: a file that is not there
        QTest::addColumn<QString>("toast");
        QTest::newRow("format refused by the check") << u"setup.exe"_s << u"不支持的文件格式"_s;
        QTest::newRow("unreadable file") << QString() << u"读取文件失败"_s;
    }
    void documentRefusals() {
        QFETCH(QString, name);
        QFETCH(QString, toast);
        MLDocumentTranslationSonView *page = documentPage();
        if (name.isEmpty())
            page->updateFile(u"key"_s, m_dir.filePath(u"gone.docx"_s));
        else
            ml::test::chooseAndClick(page->updaloadView(), document(name), {kOK});
        QTRY_COMPARE(toastTexts(page), QStringList{toast});
        ml::test::settle(page);
        QVERIFY(server().receivedRequests(kUpload).isEmpty());
    }

    // Nothing stored and the lists not arrived: no language goes with the check, which the service
    // refuses.
    void documentWithoutLanguages() {
        MLUserDefaults::standardUserDefaults().removeObjectForKey(kLeft);
        MLUserDefaults::standardUserDefaults().removeObjectForKey(kRight);
        server().injectFault(u"/transLangue/getLanguageList"_s, StandinFault::silence(), 2);
        m_document = std::make_unique<MLDocumentTranslationSonView>();
        m_document->show();
        QTRY_VERIFY(m_document->extensions().has_value());
        ml::test::chooseAndClick(m_document->updaloadView(), document(), {kOK});
        QTRY_COMPARE(server().receivedRequests(kCheck).size(), 1);
        const QJsonObject check = server().lastRequest(kCheck)->params;
        QVERIFY(!check.contains("sourceLanguage") && !check.contains("targetLanguage"));
        QTRY_COMPARE(toastTexts(m_document.get()), QStringList{u"请选择源语言和目标语言"_s});
    }

    // Price first, then the announcement, the verified PUT and the end; the history is called twice,
    // the first time before the end's answer has arrived.
    void audioChain() {
        MLAudioTranslationSonView *page = audioPage();
        const QString path = wav(u"周会 录音.wav"_s, 1.5);
        ml::test::chooseAndClick(page->updaloadView(), path, {kOK});
        QTRY_COMPARE(m_audioNotifications.size(), 2);
        QCOMPARE(m_audioNotifications, (QList<int>{0, 1}));

        QCOMPARE(ml::test::sentJson(*server().lastRequest(kCost)),
                 QStringLiteral(R"({"fileName":"周会 录音.wav","fileSize":"%1","durationSec":1})")
                     .arg(QFileInfo(path).size()));

        const auto end = server().lastRequest(kEnd)->params;
        const StandinFileJobs::VoiceJob *job =
            StandinFileJobs::of(server())->voiceJob(end.value("translateId").toInteger());
        QVERIFY(job && job->ended);
        QCOMPARE(server().lastRequest(kStart)->params, end);
        QCOMPARE(ml::test::sentJson(*server().lastRequest(kEnd)),
                 QStringLiteral(R"({"fileName":"周会 录音.wav","objectName":"%1","translateId":%2})")
                     .arg(job->objectName)
                     .arg(job->id));
        QCOMPARE(StandinFileJobs::of(server())->storedObject(job->bucketName, job->objectName),
                 ml::test::readFile(path));
        QCOMPARE(server()
                     .lastRequest(StandinObjectStore::path(job->bucketName, job->objectName))
                     ->header("content-type"),
                 QByteArray("audio/wav"));
        QCOMPARE(ml::test::spinnerCount(page), 0);
    }

    void audioFileThatIsNotAudioIsNotPriced() {
        MLAudioTranslationSonView *page = audioPage();
        ml::test::chooseAndClick(page->updaloadView(),
                                 ml::test::writeFile(m_dir.path(), "fake.mp3", "no audio"), {});
        QTRY_COMPARE(toastTexts(page), QStringList{u"无法读取音频时长"_s});
        QVERIFY(server().receivedRequests(kCost).isEmpty());
    }

    // The object store's status decides: 2xx but 203 goes on to the end report. Without a secret the
    // address cannot be signed and nothing is sent.
    void audioTransferStatus_data() {
        QTest::addColumn<int>("status"); // 0: unsignable address
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("201") << 201 << true;
        QTest::newRow("203") << 203 << false;
        QTest::newRow("302") << 302 << false;
        QTest::newRow("500") << 500 << false;
        QTest::newRow("unsignable") << 0 << false;
    }
    void audioTransferStatus() {
        QFETCH(int, status);
        QFETCH(bool, goesOn);
        MLAudioTranslationSonView *page = audioPage();
        NSCalculateTranslateCostModel cost = pricedJob(u"a.wav"_s);
        const QString objectPath = StandinObjectStore::path(cost.bucketName, cost.objectName);
        if (status)
            server().injectFault(objectPath, StandinFault::httpError(status));
        else
            cost.accessKeySecret.clear();
        page->updateFile(cost, wav(u"a.wav"_s, 1));
        if (goesOn) {
            QTRY_COMPARE(server().receivedRequests(kEnd).size(), 1);
            QCOMPARE(m_audioNotifications.size(), 1); // the end fails here: nothing arrived at the store
        } else {
            QTRY_COMPARE(toastTexts(page), QStringList{MLAudioTranslationSonView::kUploadFailed});
            ml::test::settle(page);
            QVERIFY(server().receivedRequests(kEnd).isEmpty());
            QVERIFY(m_audioNotifications.isEmpty());
            QCOMPARE(server().lastRequest(objectPath).has_value(), status != 0);
        }
        QCOMPARE(server().receivedRequests(kStart).size(), 1);
        QTRY_COMPARE(ml::test::spinnerCount(page), 0);
    }

    // "DIA036"/"DIA037" at any step of either page offer the top-up; any other code is a toast. An empty
    // code: the stand-in refuses by itself, the balance being short.
    void topUpOffer_data() {
        QTest::addColumn<bool>("audio");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("notifications");
        QTest::newRow("document check, DIA036") << false << kCheck << "DIA036" << 0;
        QTest::newRow("audio end, DIA037") << true << kEnd << "DIA037" << 1;
        QTest::newRow("audio price, other code") << true << kCost << "DIA007" << 0;
        QTest::newRow("document upload, balance short") << false << kUpload << "" << 0;
    }
    void topUpOffer() {
        QFETCH(bool, audio);
        QFETCH(QString, path);
        QFETCH(QString, code);
        const bool offer = code != u"DIA007"_s;
        QString message = u"余额不足，请充值"_s;
        MLMineModel &profile = server().state().account(10001)->profile;
        const auto restore =
            qScopeGuard([&profile, balance = profile.balanceStr] { profile.balanceStr = balance; });
        if (code.isEmpty()) {
            profile.balanceStr = u"0"_s;
            message = u"账户余额不足，请充值后再试"_s;
        } else {
            server().injectFault(path, StandinFault::answer(code, message));
        }
        MLFileUploadView *page = audio ? static_cast<MLFileUploadView *>(audioPage()) : documentPage();
        const QString file = audio ? wav(u"c.wav"_s, 1) : document();
        ml::test::chooseAndClick(page->updaloadView(), file, {kOK, kOK, kOK});
        if (offer) {
            QTRY_COMPARE(MLWorkspace::recordedCalls().size(), 1);
            QCOMPARE(MLAlert::lastAlert()->messageText(), message);
            QCOMPARE(MLWorkspace::recordedCalls().first().kind, MLWorkspace::Call::Kind::OpenURL);
            QCOMPARE(MLWorkspace::recordedCalls().first().url, MLFileJobFailure::websiteUrl());
        } else {
            QTRY_COMPARE(toastTexts(page), QStringList{u"余额不足，请充值"_s});
            QCOMPARE(MLAlert::pendingResponseCount(), 3); // no alert at all
        }
        ml::test::settle(page);
        QTEST(audio ? int(m_audioNotifications.size()) : m_documentNotifications, "notifications");
    }
};

ML_TEST_MAIN(TestFileSections)
#include "tst_sections.moc"
