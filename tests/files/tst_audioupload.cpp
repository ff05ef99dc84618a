#include "FilesTestSupport.h"
#include "StandinFileJobs.h"
#include "StandinObjectStore.h"
#include "core/net/MLEncryptOperation.h"
#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"
#include "files/MLAudioTranslationSonView.h"
#include "files/MLFileJobFailure.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLOpenPanel.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"
#include "support/RequestOutcome.h"
#include "support/StandinFixture.h"

#include <QTemporaryDir>

namespace {
const QString kCost = QStringLiteral("/voiceTranslate/calculateTranslateCost");
const QString kStart = QStringLiteral("/voiceTranslate/startUploadFile");
const QString kEnd = QStringLiteral("/voiceTranslate/endUploadFile");
} // namespace

class TestAudioUpload : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    std::unique_ptr<MLAudioTranslationSonView> m_page;
    QTemporaryDir m_dir;
    QList<int> m_notifications; // for each notification: end reports the service had received by then

    StandinServer &server() { return m_standin->server(); }

    QString wav(const QString &name, double seconds) {
        const QString path = m_dir.filePath(name);
        const bool written =
            ml::test::writeWav(path, ml::test::signal({{seconds, 0.3, 440}}, 16000), 16000, 1);
        return written ? path : QString();
    }

    // A job priced by the service, as the page would have it.
    NSCalculateTranslateCostModel pricedJob(const QString &fileName) {
        auto outcome = ml::test::RequestOutcome::make();
        const QJsonObject parameters{{QStringLiteral("fileName"), fileName},
                                     {QStringLiteral("fileSize"), QStringLiteral("10")},
                                     {QStringLiteral("durationSec"), 3}};
        MLNetRequestManager::sharedService().postUrl(
            kCost, MLEncryptOperation::returnRequestJsonToDic(parameters), ml::test::onAnswer(outcome),
            ml::test::onFailure(outcome), this);
        [&] { QTRY_VERIFY(outcome->finished()); }();
        return ml::json::fromJson<NSCalculateTranslateCostModel>(
                   SecurityCore::decryptString(outcome->answer.toObject().value(QStringLiteral("dt"))))
            .value_or(NSCalculateTranslateCostModel{});
    }

    void chooseAndClick(const QString &path, const QList<int> &alertResponses) {
        ml::test::chooseAndClick(m_page->updaloadView(), path, alertResponses);
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        m_standin->signInDemo();
        MLWorkspace::setRecorder(true);
        MLNotificationCenter::defaultCenter().addObserver(
            this, MLAudioTranslationSonView::kHistoricalNotification, [this](const MLNotification &) {
                m_notifications << int(server().receivedRequests(kEnd).size());
            });
        m_page = std::make_unique<MLAudioTranslationSonView>();
        m_page->resize(1039, 673);
        m_page->show();
        QTRY_VERIFY(m_page->extensions().has_value());
    }
    void init() {
        server().clearReceivedRequests();
        server().clearFaults();
        ml::test::resetDialogs();
        m_notifications.clear();
        qDeleteAll(m_page->findChildren<MBProgressHUD *>(QString(), Qt::FindDirectChildrenOnly));
    }

    void configurationIsShown() {
        const QStringList types{"mp3", "wav", "m4a", "aac", "flac", "ogg", "amr", "wma"};
        QCOMPARE(*m_page->extensions(), types);
        QCOMPARE(m_page->formatLabel()->text(),
                 QStringLiteral("支持的格式:（8种）\n\nmp3，wav，m4a，aac，flac，ogg，amr，wma\n"));
        QVERIFY(m_page->descLabel()->text().startsWith(QStringLiteral("* 音频转写按时长计费")));
        QCOMPARE(MLAudioTranslationSonView::formatText(QStringList(20, "x")).count('\n'),
                 3);           // no breaks added
        m_page->refreshData(); // fetches nothing again
        QTest::qWait(50);
        QVERIFY(server().receivedRequests().isEmpty());
    }

    // Price first, then the announcement, the verified PUT and the end; the history is called twice,
    // the first time before the end's answer has arrived.
    void wholeChain() {
        const QString path = wav(QStringLiteral("周会 录音.wav"), 1.5);
        chooseAndClick(path, {MLAlert::FirstButtonReturn});
        QTRY_COMPARE(m_notifications.size(), 2);
        QCOMPARE(m_notifications, (QList<int>{0, 1}));
        QCOMPARE(MLOpenPanel::lastAllowedFileTypes().size(), 8);

        const auto cost = server().lastRequest(kCost)->params;
        QCOMPARE(cost.value("fileName").toString(), QStringLiteral("周会 录音.wav"));
        QCOMPARE(cost.value("fileSize").toString(), QString::number(QFileInfo(path).size()));
        QVERIFY(cost.value("durationSec").isDouble());
        QCOMPARE(cost.value("durationSec").toInt(), 1);
        QVERIFY(MLAlert::lastAlert()->messageText().contains(QStringLiteral("1秒")));
        // The parameters go out in the order the service reads them, the digest over the same text.
        QCOMPARE(ml::test::sentJson(*server().lastRequest(kCost)),
                 QStringLiteral(R"({"fileName":"周会 录音.wav","fileSize":"%1","durationSec":1})")
                     .arg(QFileInfo(path).size()));

        const auto end = server().lastRequest(kEnd)->params;
        const StandinFileJobs::VoiceJob *job =
            StandinFileJobs::of(server())->voiceJob(end.value("translateId").toInteger());
        QVERIFY(job && job->ended);
        QCOMPARE(end.value("objectName").toString(), job->objectName);
        QCOMPARE(server().lastRequest(kStart)->params, end);
        QCOMPARE(ml::test::sentJson(*server().lastRequest(kEnd)),
                 QStringLiteral(R"({"fileName":"周会 录音.wav","objectName":"%1","translateId":%2})")
                     .arg(job->objectName)
                     .arg(job->id));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(StandinFileJobs::of(server())->storedObject(job->bucketName, job->objectName),
                 file.readAll());
        const auto put = server().lastRequest(StandinObjectStore::path(job->bucketName, job->objectName));
        QCOMPARE(put->method, QByteArray("PUT"));
        QCOMPARE(put->header("content-type"), QByteArray("audio/wav"));
        QCOMPARE(ml::test::spinnerCount(m_page.get()), 0);
    }

    void durationIsWholeSeconds_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("sent");
        QTest::newRow("0.4 s") << 0.4 << 0;
        QTest::newRow("2.9 s") << 2.9 << 2;
    }
    void durationIsWholeSeconds() {
        QFETCH(double, seconds);
        QFETCH(int, sent);
        chooseAndClick(wav(QStringLiteral("clip.wav"), seconds), {MLAlert::SecondButtonReturn});
        QTRY_VERIFY(MLAlert::lastAlert().has_value());
        QCOMPARE(server().lastRequest(kCost)->params.value("durationSec").toInt(), sent);
        // "取消": nothing is announced or sent.
        QTest::qWait(100);
        QVERIFY(server().receivedRequests(kStart).isEmpty());
        QVERIFY(m_notifications.isEmpty());
        QCOMPARE(MLAudioTranslationSonView::wholeSeconds(59.9), 59);
    }

    void fileThatIsNotAudioIsNotPriced() {
        chooseAndClick(ml::test::writeFile(m_dir.path(), "fake.mp3", "not audio at all"), {});
        QTRY_COMPARE(ml::test::toastTexts(m_page.get()), QStringList{QStringLiteral("无法读取音频时长")});
        QVERIFY(server().receivedRequests(kCost).isEmpty());
    }

    // The object store's status decides: 2xx but 203 goes on to the end report.
    void transferStatus_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("201") << 201 << true;
        QTest::newRow("204") << 204 << true;
        QTest::newRow("203") << 203 << false;
        QTest::newRow("302") << 302 << false;
        QTest::newRow("500") << 500 << false;
    }
    void transferStatus() {
        QFETCH(int, status);
        QFETCH(bool, goesOn);
        const NSCalculateTranslateCostModel cost = pricedJob(QStringLiteral("a.wav"));
        server().injectFault(StandinObjectStore::path(cost.bucketName, cost.objectName),
                             StandinFault::httpError(status));
        m_page->updateFile(cost, wav(QStringLiteral("a.wav"), 1));
        if (goesOn) {
            QTRY_COMPARE(server().receivedRequests(kEnd).size(), 1);
            QCOMPARE(m_notifications.size(), 1); // the end fails here: nothing arrived at the store
        } else {
            QTRY_COMPARE(ml::test::toastTexts(m_page.get()),
                         QStringList{MLAudioTranslationSonView::kUploadFailed});
            QTest::qWait(50);
            QVERIFY(server().receivedRequests(kEnd).isEmpty());
            QVERIFY(m_notifications.isEmpty());
        }
        QCOMPARE(server().receivedRequests(kStart).size(), 1);
        QTRY_COMPARE(ml::test::spinnerCount(m_page.get()), 0);
    }

    void unsignableAddressSendsNothing() {
        NSCalculateTranslateCostModel cost = pricedJob(QStringLiteral("b.wav"));
        cost.accessKeySecret.clear();
        m_page->uploadFile(cost, wav(QStringLiteral("b.wav"), 1));
        QTRY_COMPARE(ml::test::toastTexts(m_page.get()),
                     QStringList{MLAudioTranslationSonView::kUploadFailed});
        QCOMPARE(ml::test::spinnerCount(m_page.get()), 0);
        QTest::qWait(50);
        QVERIFY(!server().lastRequest(StandinObjectStore::path(cost.bucketName, cost.objectName)));
    }

    // "DIA036"/"DIA037" at any step offer the top-up; any other code is a toast.
    void topUpOffer_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("notifications");
        QTest::newRow("price, DIA036") << kCost << "DIA036" << 0;
        QTest::newRow("announcement, DIA037") << kStart << "DIA037" << 0;
        QTest::newRow("end, DIA037") << kEnd << "DIA037" << 1;
        QTest::newRow("price, other code") << kCost << "DIA007" << 0;
    }
    void topUpOffer() {
        QFETCH(QString, path);
        QFETCH(QString, code);
        QFETCH(int, notifications);
        const bool offer = code != QLatin1String("DIA007");
        server().injectFault(path, StandinFault::answer(code, QStringLiteral("余额不足，请充值")));
        chooseAndClick(wav(QStringLiteral("c.wav"), 1),
                       {MLAlert::FirstButtonReturn, MLAlert::FirstButtonReturn});
        if (offer) {
            QTRY_COMPARE(MLWorkspace::recordedCalls().size(), 1);
            QCOMPARE(MLAlert::lastAlert()->messageText(), QStringLiteral("余额不足，请充值"));
            QCOMPARE(MLAlert::lastAlert()->buttonTitles(), (QStringList{"立即充值", "取消转写"}));
            QCOMPARE(MLWorkspace::recordedCalls().first().kind, MLWorkspace::Call::Kind::OpenURL);
            QCOMPARE(MLWorkspace::recordedCalls().first().url, MLFileJobFailure::websiteUrl());
        } else {
            QTRY_COMPARE(ml::test::toastTexts(m_page.get()), QStringList{QStringLiteral("余额不足，请充值")});
            QCOMPARE(MLAlert::pendingResponseCount(), 2); // no alert at all
        }
        QTest::qWait(50);
        QCOMPARE(m_notifications.size(), notifications);
    }
};

ML_TEST_MAIN(TestAudioUpload)
#include "tst_audioupload.moc"
