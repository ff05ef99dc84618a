#include "live/engine/LowpriceTranslationHelp.h"
#include "support/LiveEngineHarness.h"
#include "support/MLTestMain.h"

using namespace ml::test;

using Harness = LiveEngineHarness<LowpriceTranslationHelp>;

namespace {

const QString kTranslatePath = QLatin1String(StandinLiveRoutes::kTranslatePath);
const QString kAuthPath = QStringLiteral("/cost/getTxtTranslateAuth");
// Two sentences the stand-in knows in English.
const QString kFirst = QStringLiteral("大家好，欢迎参加今天的产品发布会。");
const QString kSecond = QStringLiteral("首先，我想简单介绍一下我们的团队。");
const QString kFirstEn = QStringLiteral("Hello everyone, and welcome to today's product launch.");
const QString kSecondEn = QStringLiteral("First, I would like to briefly introduce our team.");

MLSpeechRecognitionResult sentence(const QString &text) {
    return result(MLSpeechRecognitionResult::RecognizedSpeech, text, {});
}

} // namespace

class TestLowpriceEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<Harness> h;

    bool startRunning() {
        h->engine->startTranslation(QStringLiteral("zh-CN"), QStringLiteral("en"));
        return QTest::qWaitFor([this] { return h->engine->state() == MLLiveEngine::State::Running; }, 5000);
    }
    bool stopAndWait() {
        h->engine->stopTranslation();
        return QTest::qWaitFor([this] { return h->engine->state() == MLLiveEngine::State::Idle; }, 5000);
    }

private Q_SLOTS:
    void init() {
        h = std::make_unique<Harness>();
        h->engine->setResendPolicy(2, 10);
    }
    void cleanup() { h.reset(); }

    void sessionUsesTheLowPriceCredentialsAndHistoryType() {
        QVERIFY(startRunning());
        QStringList order;
        for (const StandinRequest &request : h->standin.server().receivedRequests())
            order << request.path;
        QCOMPARE(order, (QStringList{"/signature/getKeepupSin", "/signature/getMicrosoftSin8", kKeepupPath}));
        QCOMPARE(h->standin.server().receivedRequests().first().params.value("costType").toString(),
                 QStringLiteral("8"));
        QVERIFY(
            h->engine->advancedModel().txtTranslateUrl.startsWith(h->standin.apiBaseUrl() + kTranslatePath));
        QVERIFY(!h->engine->advancedModel().txtTranslateAuth.isEmpty());
        QVERIFY(stopAndWait());
        const auto rows = h->rows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().type, 4);
    }

    void aSentenceStandsAloneUntilItsTranslationArrives() {
        QVERIFY(startRunning());
        h->recognizing(result(MLSpeechRecognitionResult::RecognizingSpeech, "大家好", {}));
        QCOMPARE(h->engine->strList(), QStringList{"大家好"});
        h->recognized(sentence(kFirst));
        QCOMPARE(h->engine->strList(), (QStringList{kFirst, ""}));
        QTRY_COMPARE(h->engine->strList(), (QStringList{kFirst + "\n" + kFirstEn, ""}));
        QCOMPARE(h->lists.size(), 3);

        const StandinRequest request = *h->standin.server().lastRequest(kTranslatePath);
        QCOMPARE(QJsonDocument::fromJson(request.body).array(), (QJsonArray{QJsonObject{{"text", kFirst}}}));
        QCOMPARE(QString::fromUtf8(request.header("authorization")),
                 h->engine->advancedModel().txtTranslateAuth);
        QVERIFY(stopAndWait());
        QCOMPARE(readTranscript(h->engine->storagePath()), kFirst + "\n" + kFirstEn + "\n\n");
    }

    void emptyOrUnrecognisedFinalsChangeNothing() {
        QVERIFY(startRunning());
        h->recognizing(result(MLSpeechRecognitionResult::RecognizingSpeech, "嗯", {}));
        const qsizetype callbacks = h->lists.size();
        h->recognized(sentence(QString()));
        h->recognized(result(MLSpeechRecognitionResult::NoMatch, QString(), {}));
        QCOMPARE(h->engine->strList(), QStringList{"嗯"});
        QCOMPARE(h->lists.size(), callbacks);
        QTest::qWait(100);
        QCOMPARE(h->requests(kTranslatePath), 0);
        QVERIFY(stopAndWait());
    }

    void answersOutOfOrderFillTheirOwnEntries() {
        QVERIFY(startRunning());
        h->standin.server().injectFault(kTranslatePath, StandinFault::delay(400));
        h->recognized(sentence(kFirst));
        h->recognized(sentence(kSecond));
        QTRY_COMPARE(h->engine->strList(), (QStringList{kFirst, kSecond + "\n" + kSecondEn, ""}));
        QTRY_COMPARE(h->engine->strList(),
                     (QStringList{kFirst + "\n" + kFirstEn, kSecond + "\n" + kSecondEn, ""}));
        QVERIFY(stopAndWait());
    }

    void aTranslationAfterTheStopIsShownButNotWritten() {
        QVERIFY(startRunning());
        h->standin.server().injectFault(kTranslatePath, StandinFault::delay(500));
        h->recognized(sentence(kFirst));
        QVERIFY(stopAndWait());
        QCOMPARE(readTranscript(h->engine->storagePath()), kFirst + "\n\n");
        QTRY_COMPARE(h->engine->strList(), (QStringList{kFirst + "\n" + kFirstEn, ""}));
        QCOMPARE(h->lists.last(), h->engine->strList());
        QCOMPARE(readTranscript(h->engine->storagePath()), kFirst + "\n\n");
    }

    void aRefusedRequestRenewsTheAuthorisationOnceAndResends_data() {
        QTest::addColumn<bool>("expire");
        QTest::newRow("refused by fault") << false;
        QTest::newRow("authorisation expired") << true;
    }
    void aRefusedRequestRenewsTheAuthorisationOnceAndResends() {
        QFETCH(bool, expire);
        QVERIFY(startRunning());
        const QString firstAuth = h->engine->advancedModel().txtTranslateAuth;
        const QByteArray refusalBody = R"({"error":{"code":401000,"message":"expired"}})";
        if (expire) {
            // Everything issued so far has expired; what is issued now is valid for a minute.
            const QDateTime later = QDateTime::currentDateTimeUtc().addSecs(3600);
            h->meter().setTranslateAuthLifetimeMs(60 * 1000);
            h->meter().setClock([later] { return later; });
        } else {
            h->standin.server().injectFault(kTranslatePath, StandinFault::httpError(401, refusalBody));
        }
        h->recognized(sentence(kFirst));
        QTRY_COMPARE(h->engine->strList(), (QStringList{kFirst + "\n" + kFirstEn, ""}));
        QCOMPARE(h->requests(kAuthPath), 1);
        QCOMPARE(h->requests(kTranslatePath), 2);
        const QStringList messages = h->meter().renewalMessages();
        QCOMPARE(messages.size(), 1);
        if (expire)
            QVERIFY2(messages.first().contains(QLatin1String("expired")), qPrintable(messages.first()));
        else
            QCOMPARE(messages.first(), QString::fromUtf8(refusalBody));
        const QJsonObject renewal = h->standin.server().lastRequest(kAuthPath)->params;
        QCOMPARE(renewal.value("keepupKey").toString(), h->engine->advancedModel().keepupKey);
        const QString renewed = h->engine->advancedModel().txtTranslateAuth;
        QVERIFY(renewed != firstAuth);
        QCOMPARE(QString::fromUtf8(h->standin.server().lastRequest(kTranslatePath)->header("authorization")),
                 renewed);
        QVERIFY(h->toasts().isEmpty());
        QVERIFY(stopAndWait());
    }

    void resendsAreBounded_data() {
        QTest::addColumn<StandinFault>("fault");
        QTest::addColumn<int>("renewals");
        QTest::newRow("transport failures resend as they are") << StandinFault::drop() << 0;
        QTest::newRow("refusals renew first") << StandinFault::httpError(503, "busy") << 2;
    }
    void resendsAreBounded() {
        QFETCH(StandinFault, fault);
        QFETCH(int, renewals);
        QVERIFY(startRunning());
        h->standin.server().injectFault(kTranslatePath, fault, 50);
        h->recognized(sentence(kFirst));
        QTRY_COMPARE(h->requests(kTranslatePath), 3);
        QTest::qWait(300); // a fourth would come after 40 ms
        QCOMPARE(h->requests(kTranslatePath), 3);
        QCOMPARE(h->requests(kAuthPath), renewals);
        QCOMPARE(h->engine->strList(), (QStringList{kFirst, ""}));
        QVERIFY(h->toasts().isEmpty());
        QVERIFY(stopAndWait());
    }

    void aFailedRenewalToastsAndLeavesTheSentence() {
        QVERIFY(startRunning());
        h->standin.server().injectFault(kTranslatePath, StandinFault::httpError(401, "refused"));
        h->standin.server().injectFault(kAuthPath, StandinFault::answer("DIA500", "授权失败"));
        h->recognized(sentence(kFirst));
        QTRY_VERIFY(h->toasts().contains(QStringLiteral("授权失败")));
        QTest::qWait(100);
        QCOMPARE(h->requests(kTranslatePath), 1);
        QCOMPARE(h->engine->strList(), (QStringList{kFirst, ""}));
        QVERIFY(stopAndWait());
    }

    void anAnswerOfAnEarlierSessionChangesNothing() {
        QVERIFY(startRunning());
        h->standin.server().injectFault(kTranslatePath, StandinFault::delay(700));
        h->recognized(sentence(kFirst));
        QVERIFY(stopAndWait());
        QVERIFY(startRunning());
        const qsizetype callbacks = h->lists.size();
        QTest::qWait(900);
        QCOMPARE(h->engine->strList(), QStringList{QString()});
        QCOMPARE(h->lists.size(), callbacks);
        QVERIFY(stopAndWait());
    }

    void aPendingResendOfAnEarlierSessionIsDropped() {
        h->engine->setResendPolicy(2, 300);
        QVERIFY(startRunning());
        h->standin.server().injectFault(kTranslatePath, StandinFault::drop(), 50);
        h->recognized(sentence(kFirst));
        QTRY_COMPARE(h->requests(kTranslatePath), 1);
        QVERIFY(stopAndWait());
        QVERIFY(startRunning());
        QTest::qWait(500);
        QCOMPARE(h->requests(kTranslatePath), 1);
        QVERIFY(stopAndWait());
    }
};

ML_TEST_MAIN(TestLowpriceEngine)
#include "tst_lowpriceengine.moc"
