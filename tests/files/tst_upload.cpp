#include "FilesTestSupport.h"
#include "StandinFileJobs.h"
#include "StandinObjectStore.h"
#include "core/net/MLEncryptOperation.h"
#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"
#include "files/MLAudioTranslationSonView.h"
#include "files/MLDocumentTranslationSonView.h"
#include "files/MLDocumentTranslationViewToolBarView.h"
#include "files/MLFileJobFailure.h"
#include "platform/kit/MLNotificationCenter.h"
#include "support/LiveUiSupport.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"
#include "support/RequestOutcome.h"
#include "support/StandinFixture.h"

#include <QScopeGuard>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
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
} // namespace

// The document and audio upload pages against the stand-in.
class TestUpload : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    std::unique_ptr<MLDocumentTranslationSonView> m_document;
    std::unique_ptr<MLAudioTranslationSonView> m_audio;
    QTemporaryDir m_dir;
    int m_documentNotifications = 0;
    QList<int> m_audioNotifications; // for each: the end reports the service had received by then

    StandinServer &server() { return m_standin->server(); }

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
        m_standin->signInDemo();
        MLWorkspace::setRecorder(true);
        auto &center = MLNotificationCenter::defaultCenter();
        center.addObserver(this, MLDocumentTranslationViewToolBarView::kHistoricalNotification,
                           [this](const MLNotification &) { ++m_documentNotifications; });
        center.addObserver(this, MLAudioTranslationSonView::kHistoricalNotification,
                           [this](const MLNotification &) {
                               m_audioNotifications << int(server().receivedRequests(kEnd).size());
                           });
    }
    void init() {
        ml::test::storeLanguage(kLeft, u"en-US"_s, u"英语"_s, u"Y"_s);
        ml::test::storeLanguage(kRight, u"zh-Hans"_s, u"中文（普通话）"_s, u"Z"_s);
        server().clearFaults();
        ml::test::resetDialogs();
        m_documentNotifications = 0;
        m_audioNotifications.clear();
    }
    void cleanup() {
        m_document.reset();
        m_audio.reset();
    }

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
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(sent.fileData, file.readAll());
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
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(StandinFileJobs::of(server())->storedObject(job->bucketName, job->objectName),
                 file.readAll());
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
        QFETCH(int, notifications);
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
        QCOMPARE(audio ? int(m_audioNotifications.size()) : m_documentNotifications, notifications);
    }
};

ML_TEST_MAIN(TestUpload)
#include "tst_upload.moc"
