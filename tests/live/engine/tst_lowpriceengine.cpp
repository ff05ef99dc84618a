#include "live/engine/LowpriceTranslationHelp.h"
#include "support/LiveEngineHarness.h"
#include "support/MLTestMain.h"

using namespace ml::test;
using namespace Qt::StringLiterals;

using Harness = LiveEngineHarness<LowpriceTranslationHelp>;

namespace {

const QString kTranslatePath = QLatin1String(StandinLiveRoutes::kTranslatePath);
const QString kAuthPath = u"/cost/getTxtTranslateAuth"_s;
// Two sentences the stand-in knows in English.
const QString kFirst = u"大家好，欢迎参加今天的产品发布会。"_s;
const QString kSecond = u"首先，我想简单介绍一下我们的团队。"_s;
const QString kFirstEn = kFirst + u"\nHello everyone, and welcome to today's product launch."_s;
const QString kSecondEn = kSecond + u"\nFirst, I would like to briefly introduce our team."_s;

MLSpeechRecognitionResult sentence(const QString &text) {
    return result(MLSpeechRecognitionResult::RecognizedSpeech, text, {});
}

// The engine's warnings that it gave a translation up: the last step of a sentence that failed.
int givenUp = 0;
QtMessageHandler previousHandler = nullptr;
void watchLog(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (message.contains(u"translation given up"_s))
        ++givenUp;
    previousHandler(type, context, message);
}

} // namespace

class TestLowpriceEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<Harness> h;

    // The texts of the translation requests, in the order the stand-in answered them.
    QStringList sentTexts() {
        QStringList texts;
        for (const StandinRequest &request : h->standin.server().receivedRequests(kTranslatePath))
            texts << QJsonDocument::fromJson(request.body).array().at(0)[u"text"_s].toString();
        return texts;
    }

    // `text` finishes as a sentence whose translation the stand-in holds back until released.
    void held(const QString &text) {
        h->standin.server().injectFault(kTranslatePath, StandinFault::hold());
        h->recognized(sentence(text));
        QTRY_COMPARE(h->standin.server().heldRequests(kTranslatePath), 1);
    }

private Q_SLOTS:
    void initTestCase() { previousHandler = qInstallMessageHandler(watchLog); }
    void init() {
        h = std::make_unique<Harness>();
        h->engine->setResendPolicy(2, 10);
    }
    // Every session ends with a stop that completes.
    void cleanup() {
        QVERIFY(h->stopAndWait());
        h.reset();
    }

    // Empty or unrecognised finals change nothing; a sentence stands alone until its translation
    // arrives.
    void aSentenceStandsAloneUntilItsTranslationArrives() {
        QVERIFY(h->startRunning());
        h->recognizing(result(MLSpeechRecognitionResult::RecognizingSpeech, u"大家好"_s, {}));
        h->recognized(sentence(QString()));
        h->recognized(result(MLSpeechRecognitionResult::NoMatch, QString(), {}));
        QCOMPARE(h->engine->strList(), QStringList{u"大家好"_s});
        QCOMPARE(h->lists.size(), 1);
        h->recognized(sentence(kFirst));
        QCOMPARE(h->engine->strList(), (QStringList{kFirst, QString()}));
        QTRY_COMPARE(h->engine->strList(), (QStringList{kFirstEn, QString()}));
        QCOMPARE(h->lists.size(), 3);
        QCOMPARE(sentTexts(), QStringList{kFirst});
    }

    void answersOutOfOrderFillTheirOwnEntries() {
        QVERIFY(h->startRunning());
        held(kFirst);
        h->recognized(sentence(kSecond));
        QTRY_COMPARE(h->engine->strList(), (QStringList{kFirst, kSecondEn, QString()}));
        h->standin.server().releaseHeld(kTranslatePath);
        QTRY_COMPARE(h->engine->strList(), (QStringList{kFirstEn, kSecondEn, QString()}));
    }

    void aTranslationAfterTheStopIsShownButNotWritten() {
        QVERIFY(h->startRunning());
        held(kFirst);
        QVERIFY(h->stopAndWait());
        QCOMPARE(readTranscript(h->engine->storagePath()), kFirst + u"\n\n"_s);
        h->standin.server().releaseHeld(kTranslatePath);
        QTRY_COMPARE(h->engine->strList(), (QStringList{kFirstEn, QString()}));
        QCOMPARE(h->lists.last(), h->engine->strList());
        QCOMPARE(readTranscript(h->engine->storagePath()), kFirst + u"\n\n"_s);
    }

    // The translator may answer with several languages: only the session's target is shown, wherever
    // it comes in the answer.
    void onlyTheSessionsTargetLanguageIsShown_data() {
        QTest::addColumn<QByteArray>("translations");
        QTest::newRow("another language after")
            << QByteArray(R"({"text":"Hello","to":"en"},{"text":"今日は","to":"ja"})");
        QTest::newRow("another language before")
            << QByteArray(R"({"text":"今日は","to":"ja"},{"text":"Hello","to":"en"})");
    }
    void onlyTheSessionsTargetLanguageIsShown() {
        QFETCH(QByteArray, translations);
        QVERIFY(h->startRunning());
        h->standin.server().injectFault(
            kTranslatePath, StandinFault::httpError(200, R"([{"translations":[)" + translations + "]}]"));
        h->recognized(sentence(kFirst));
        const qsizetype published = h->lists.size();
        QTRY_COMPARE(h->engine->strList(), (QStringList{kFirst + u"\nHello"_s, QString()}));
        QCOMPARE(h->lists.size(), published + 1);
    }

    // The refusal goes back whole (up to 64 KB, never a character cut in two), whatever a toast would
    // show of it.
    void aRefusedRequestRenewsTheAuthorisationOnceAndResends_data() {
        QTest::addColumn<bool>("expire");
        QTest::addColumn<QByteArray>("refusal"); // the translator's body
        QTest::addColumn<QString>("errMsg");     // empty: the stand-in's own refusal, naming "expired"
        QTest::newRow("authorisation expired") << true << QByteArray() << QString();
        const QByteArray expired = R"({"error":{"code":401000,"message":"expired"}})";
        QTest::newRow("refused by fault") << false << expired << QString::fromUtf8(expired);
        const QByteArray long_ = "{\"error\":{\"code\":401000,\"message\":\"" + QString(500, u'过').toUtf8() +
                                 "\xf0\x9f\x98\x80\"}}";
        QTest::newRow("a long refusal") << false << long_ << QString::fromUtf8(long_);
        // 65,535 bytes, then a two-byte character across the bound.
        const QString flood = u"x"_s + QString(40000, u'é');
        QTest::newRow("a flood") << false << flood.toUtf8() << flood.left(1 + 32767);
    }
    void aRefusedRequestRenewsTheAuthorisationOnceAndResends() {
        QFETCH(bool, expire);
        QFETCH(QByteArray, refusal);
        QFETCH(QString, errMsg);
        QVERIFY(h->startRunning());
        const QString firstAuth = h->engine->advancedModel().txtTranslateAuth;
        if (expire) {
            // Everything issued so far has expired; what is issued now is valid for a minute.
            const QDateTime later = QDateTime::currentDateTimeUtc().addSecs(3600);
            h->meter().setTranslateAuthLifetimeMs(60 * 1000);
            h->meter().setClock([later] { return later; });
        } else {
            h->standin.server().injectFault(kTranslatePath, StandinFault::httpError(401, refusal));
        }
        h->recognized(sentence(kFirst));
        QTRY_COMPARE(h->engine->strList(), (QStringList{kFirstEn, QString()}));
        QCOMPARE(h->requests(kAuthPath), 1);
        QCOMPARE(h->requests(kTranslatePath), 2);
        // The renewal tells the service why (the refusal), and the resend carries the new authorisation.
        const QStringList messages = h->meter().renewalMessages();
        QCOMPARE(messages.size(), 1);
        if (errMsg.isEmpty())
            QVERIFY2(messages.first().contains(u"expired"_s), qPrintable(messages.first()));
        else
            QCOMPARE(messages.first(), errMsg);
        const QString renewed = h->engine->advancedModel().txtTranslateAuth;
        QVERIFY(renewed != firstAuth);
        QCOMPARE(QString::fromUtf8(h->standin.server().lastRequest(kTranslatePath)->header("authorization")),
                 renewed);
        // Nothing but the notice of the harness's missing microphone.
        QCOMPARE(h->toasts(), QStringList{QString::fromUtf8(MLLiveEngine::kNoInputMessage)});
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
        QVERIFY(h->startRunning());
        h->standin.server().injectFault(kTranslatePath, fault, 50);
        const int before = givenUp;
        h->recognized(sentence(kFirst));
        QTRY_COMPARE(givenUp, before + 1);
        QCOMPARE(h->requests(kTranslatePath), 3);
        QCOMPARE(h->requests(kAuthPath), renewals);
        QCOMPARE(h->engine->strList(), (QStringList{kFirst, QString()}));
        // Nothing but the notice of the harness's missing microphone.
        QCOMPARE(h->toasts(), QStringList{QString::fromUtf8(MLLiveEngine::kNoInputMessage)});
    }

    void aFailedRenewalToastsAndLeavesTheSentence() {
        QVERIFY(h->startRunning());
        h->standin.server().injectFault(kTranslatePath, StandinFault::httpError(401, "refused"));
        h->standin.server().injectFault(kAuthPath, StandinFault::answer(u"DIA500"_s, u"授权失败"_s));
        h->recognized(sentence(kFirst));
        QTRY_VERIFY(h->toasts().contains(u"授权失败"_s));
        // The next sentence goes through; the failed one was not sent again.
        h->recognized(sentence(kSecond));
        QTRY_COMPARE(h->engine->strList(), (QStringList{kFirst, kSecondEn, QString()}));
        QCOMPARE(sentTexts(), (QStringList{kFirst, kSecond}));
    }

    // The session number drops what an earlier session still has under way: an answer, a resend.
    void anAnswerOfAnEarlierSessionChangesNothing() {
        QVERIFY(h->startRunning());
        held(kFirst);
        QVERIFY(h->stopAndWait());
        QVERIFY(h->startRunning());
        const qsizetype callbacks = h->lists.size();
        h->standin.server().releaseHeld(kTranslatePath);
        h->recognized(sentence(kSecond));
        QTRY_COMPARE(h->engine->strList(), (QStringList{kSecondEn, QString()}));
        QCOMPARE(h->lists.size(), callbacks + 2);
    }
    void aPendingResendOfAnEarlierSessionIsDropped() {
        h->engine->setResendPolicy(2, 300);
        QVERIFY(h->startRunning());
        h->standin.server().injectFault(kTranslatePath, StandinFault::drop(), 50);
        h->recognized(sentence(kFirst));
        QTRY_COMPARE(h->requests(kTranslatePath), 1);
        QVERIFY(h->stopAndWait());
        QVERIFY(h->startRunning());
        // A sentence of this session, failing the same way: its resend is due after the old one's.
        h->recognized(sentence(kSecond));
        QTRY_COMPARE(h->requests(kTranslatePath), 3);
        QCOMPARE(sentTexts(), (QStringList{kFirst, kSecond, kSecond}));
    }
};

ML_TEST_MAIN(TestLowpriceEngine)
#include "tst_lowpriceengine.moc"
