#include "core/net/MLEncryptOperation.h"
#include "core/net/MLNetRequestManager.h"
#include "core/net/MLRequestHeaderFields.h"
#include "core/net/MLServiceOrigins.h"
#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"
#include "core/session/RezirDeviceInfo.h"
#include "support/MLTestMain.h"
#include "support/NetTestSupport.h"
#include "support/RequestOutcome.h"
#include "support/StandinFixture.h"
#include "support/TrickleServer.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTcpServer>
#include <QThread>

#include <memory>

using ml::test::RequestOutcome;

Q_DECLARE_METATYPE(StandinFault)

namespace {
const QString kMeInfo = QStringLiteral("/meInfo/getMeInfo");
const QString kRaw = QStringLiteral("/test/raw");
const QString kOpen = QStringLiteral("/test/open");
} // namespace

class TestNetRequestManager : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    std::unique_ptr<ml::test::NetClientStack<MLNetRequestManager>> m_net;
    QByteArray m_rawBody;
    int m_rawStatus = 200;

    std::shared_ptr<RequestOutcome> post(const QString &path, const QString &parameters = {},
                                         QObject *context = nullptr) {
        auto outcome = RequestOutcome::make();
        m_net->manager.postUrl(path, parameters, ml::test::onAnswer(outcome), ml::test::onFailure(outcome),
                               context ? context : this);
        return outcome;
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        StandinServer &server = m_standin->server();
        server.route(
            kRaw,
            [this](const StandinRequest &) {
                return StandinReply::raw(m_rawBody, "application/json", m_rawStatus);
            },
            StandinRouteKind::Raw, false);
        server.route(
            kOpen, [](const StandinRequest &request) { return StandinReply::success(request.params); },
            StandinRouteKind::Envelope, false);
    }

    void init() {
        m_net = std::make_unique<ml::test::NetClientStack<MLNetRequestManager>>(*m_standin);
        m_standin->server().clearReceivedRequests();
        MLServiceOrigins::setApiBaseUrl(m_standin->apiBaseUrl());
    }

    void successGivesWholeAnswerWithEncryptedPayload() {
        auto outcome = post(kMeInfo);
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->succeeded());
        const QJsonObject answer = outcome->answer.toObject();
        QCOMPARE(answer.value(QStringLiteral("code")).toString(), QStringLiteral("SUCCESS"));
        const QString payload = SecurityCore::decryptString(answer.value(QStringLiteral("dt")));
        QCOMPARE(MLDigest::md5Hex(payload), answer.value(QStringLiteral("m5")).toString());
        const QJsonObject account = QJsonDocument::fromJson(payload.toUtf8()).object();
        QCOMPARE(account.value(QStringLiteral("accountNum")).toString(), QStringLiteral("13800138000"));
        QCOMPARE(account.value(QStringLiteral("consumerId")).toInteger(), 10001);
    }

    void faultsAreJudged_data() {
        QTest::addColumn<StandinFault>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("code");
        QTest::newRow("service code")
            << StandinFault::answer(QStringLiteral("DIA036"), QStringLiteral("余额不足"))
            << QStringLiteral("余额不足") << QStringLiteral("DIA036");
        QTest::newRow("wrong digest")
            << StandinFault::wrongDigest() << QStringLiteral("非法请求") << QString();
        QTest::newRow("not json") << StandinFault::notJson() << QStringLiteral("数据格式异常") << QString();
        QTest::newRow("http error with service answer")
            << StandinFault::httpError(500, R"({"code":"DIA500","message":"系统繁忙"})")
            << QStringLiteral("系统繁忙") << QStringLiteral("DIA500");
        QTest::newRow("bad request with service answer")
            << StandinFault::httpError(400, R"({"code":"DIA007","message":"请求参数错误"})")
            << QStringLiteral("请求参数错误") << QStringLiteral("DIA007");
        QTest::newRow("bad request without body")
            << StandinFault::httpError(400) << QStringLiteral("系统异常") << QString();
        QTest::newRow("http error without body")
            << StandinFault::httpError(502) << QStringLiteral("系统异常") << QString();
        QTest::newRow("http error with page")
            << StandinFault::httpError(404, "<html>404</html>") << QStringLiteral("系统异常") << QString();
        QTest::newRow("dropped connection")
            << StandinFault::drop() << QStringLiteral("链接超时!") << QString();
        QTest::newRow("silent server") << StandinFault::silence() << QStringLiteral("链接超时!") << QString();
        QTest::newRow("answer later than the timeout")
            << StandinFault::delay(1500) << QStringLiteral("链接超时!") << QString();
    }
    void faultsAreJudged() {
        QFETCH(StandinFault, fault);
        QFETCH(QString, message);
        QFETCH(QString, code);
        if (fault.kind == StandinFault::Kind::Silence || fault.delayMs > 0)
            m_net->transport.setTransferTimeout(300);
        m_standin->server().injectFault(kMeInfo, fault);
        auto outcome = post(kMeInfo);
        QTRY_VERIFY_WITH_TIMEOUT(outcome->finished(), 3000);
        QVERIFY(outcome->failed());
        QCOMPARE(outcome->message, message);
        QCOMPARE(outcome->code, code);
        QVERIFY(m_net->users.currentUser()); // only "DIA005" signs out
    }

    void answerBodiesAreJudged_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("code");
        const QByteArray emptyDigest = R"("m5":"d41d8cd98f00b204e9800998ecf8427e")";
        const QString failed = QStringLiteral("系统异常");
        const QString forged = QStringLiteral("非法请求");
        QTest::newRow("array") << 200 << QByteArray("[1,2]") << false << QStringLiteral("数据格式异常")
                               << QString();
        QTest::newRow("no code") << 200 << QByteArray(R"({"message":"x"})") << false
                                 << QStringLiteral("数据格式异常") << QString();
        QTest::newRow("numeric code") << 200 << QByteArray(R"({"code":500,"message":"服务器错误"})") << false
                                      << QStringLiteral("服务器错误") << QStringLiteral("500");
        QTest::newRow("success without digest")
            << 200 << QByteArray(R"({"code":"SUCCESS","dt":"00ff"})") << false << forged << QString();
        // The MD5 of the empty text is public: without a sealed payload there is nothing to check.
        QTest::newRow("success, no payload, its digest")
            << 200 << QByteArray(R"({"code":"SUCCESS",)" + emptyDigest + "}") << false << forged << QString();
        QTest::newRow("success, empty payload, its digest")
            << 200 << QByteArray(R"({"code":"SUCCESS","dt":"",)" + emptyDigest + "}") << false << forged
            << QString();
        QTest::newRow("success, digest in capitals")
            << 200 << QByteArray(R"({"code":"SUCCESS","m5":"D41D8CD98F00B204E9800998ECF8427E"})") << false
            << forged << QString();
        // An error status never succeeds, whatever its body says.
        QTest::newRow("success at 500")
            << 500 << QByteArray(R"({"code":"SUCCESS",)" + emptyDigest + "}") << false << failed << QString();
        QTest::newRow("success at 404")
            << 404 << QByteArray(R"({"code":"SUCCESS",)" + emptyDigest + "}") << false << failed << QString();
        QTest::newRow("no message") << 200 << QByteArray(R"({"code":"DIA007"})") << false << failed
                                    << QStringLiteral("DIA007");
        QTest::newRow("empty message") << 200 << QByteArray(R"({"code":"DIA007","message":""})") << false
                                       << failed << QStringLiteral("DIA007");
        QTest::newRow("message not a string") << 200 << QByteArray(R"({"code":"DIA007","message":12})")
                                              << false << failed << QStringLiteral("DIA007");
        QTest::newRow("flood of a message")
            << 200 << QByteArray(R"({"code":"DIA007","message":")" + QByteArray(20000, 'x') + R"("})")
            << false << QString(300, QLatin1Char('x')) + QChar(0x2026) << QStringLiteral("DIA007");
        QTest::newRow("body over the cap")
            << 200
            << QByteArray(R"({"code":"DIA007","message":")" +
                          QByteArray(MLHttpTransport::kDefaultMaximumBodyBytes, 'x') + R"("})")
            << false << QStringLiteral("数据格式异常") << QString();
    }
    void answerBodiesAreJudged() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, success);
        QFETCH(QString, message);
        QFETCH(QString, code);
        m_rawBody = body;
        m_rawStatus = status;
        auto outcome = post(kRaw);
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(outcome->succeeded(), success);
        if (!success) {
            QCOMPARE(outcome->message, message);
            QCOMPARE(outcome->code, code);
        }
    }

    // A server that sends a byte now and then cannot hold a request past its deadline.
    void tricklingAnswerEndsAtTheDeadline() {
        ml::test::TrickleServer trickle(QByteArray(1000, ' '), 1, 50);
        QVERIFY(trickle.isListening());
        MLServiceOrigins::setApiBaseUrl(trickle.url());
        m_net->transport.setTransferTimeout(500);
        auto outcome = post(kMeInfo);
        QTRY_VERIFY_WITH_TIMEOUT(outcome->finished(), 10000);
        QCOMPARE(outcome->message, QStringLiteral("链接超时!"));
    }

    void droppedRequestIsNotSentAgain() {
        // The HTTP layer would replay a request whose connection closed unanswered; a POST must reach
        // the service at most once.
        m_standin->server().injectFault(kMeInfo, StandinFault::drop());
        QSignalSpy finished(m_net->transport.network(), &QNetworkAccessManager::finished);
        auto outcome = post(kMeInfo);
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(outcome->message, QStringLiteral("链接超时!"));
        QTest::qWait(100);
        QCOMPARE(m_standin->server().receivedRequests(kMeInfo).size(), 1);
        QCOMPARE(finished.count(), 1);
    }

    void refusedConnectionIsTimeout() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 closedPort = probe.serverPort();
        probe.close();
        MLServiceOrigins::setApiBaseUrl(QStringLiteral("http://127.0.0.1:%1").arg(closedPort));
        auto outcome = post(kMeInfo);
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(outcome->message, QStringLiteral("链接超时!"));
        QCOMPARE(outcome->code, QString());
    }

    void expiredTokenSignsOutBeforeFailure() {
        m_net->users.setCurrentUser(MLUserModel{QStringLiteral("expired-token")});
        QStringList events;
        QObject observer;
        MLNotificationCenter::defaultCenter().addObserver(&observer, QStringLiteral("NotificationUSERLOGOUT"),
                                                          [&](const MLNotification &) {
                                                              events << QStringLiteral("logout");
                                                              QVERIFY(!m_net->users.currentUser());
                                                          });
        auto outcome = post(kMeInfo);
        outcome->events = &events;
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(events, QStringList({QStringLiteral("logout"), QStringLiteral("failure")}));
        QCOMPARE(outcome->code, QStringLiteral("DIA005"));
        QCOMPARE(outcome->message, QStringLiteral("登录已失效，请重新登录"));
        QVERIFY(!m_net->users.currentUser());
    }

    void signOutHappensEvenWhenTheCallerIsGone() {
        m_net->users.setCurrentUser(MLUserModel{QStringLiteral("expired-token")});
        int logouts = 0;
        QObject observer;
        MLNotificationCenter::defaultCenter().addObserver(&observer, QStringLiteral("NotificationUSERLOGOUT"),
                                                          [&](const MLNotification &) { ++logouts; });
        m_standin->server().injectFault(kMeInfo, StandinFault::delay(150));
        QSignalSpy finished(m_net->transport.network(), &QNetworkAccessManager::finished);
        auto page = std::make_unique<QObject>();
        auto outcome = post(kMeInfo, {}, page.get());
        page.reset();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(logouts, 1);
        QVERIFY(!m_net->users.currentUser());
        QVERIFY(!outcome->finished());
    }

    void completionForDestroyedContextIsDropped() {
        m_standin->server().injectFault(kMeInfo, StandinFault::delay(150));
        QSignalSpy finished(m_net->transport.network(), &QNetworkAccessManager::finished);
        auto page = std::make_unique<QObject>();
        auto outcome = post(kMeInfo, {}, page.get());
        page.reset();
        QTRY_COMPARE(finished.count(), 1);
        QCoreApplication::processEvents();
        QVERIFY(!outcome->finished());
    }

    void headerFields_data() {
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("signed in") << true;
        QTest::newRow("signed out") << false;
    }
    void headerFields() {
        QFETCH(bool, signedIn);
        if (!signedIn)
            m_net->users.logoutBlock(nullptr);
        auto outcome = post(kOpen);
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->succeeded());
        const auto request = m_standin->server().lastRequest(kOpen);
        QVERIFY(request);
        QCOMPARE(request->headers.contains("tk"), signedIn);
        if (signedIn)
            QCOMPARE(request->header("tk"), m_standin->demoToken().toUtf8());
        const QVariantMap device = RezirDeviceInfo::getDeviceInfo();
        QCOMPARE(request->header("ver"), MLRequestHeaderFields::appVersion().toUtf8());
        QVERIFY(!request->header("ver").isEmpty());
        QVERIFY(!request->header("osVer").isEmpty());
        QCOMPARE(request->header("osType"), QByteArray("4"));
        QCOMPARE(request->header("osId"), device.value(QStringLiteral("idfv")).toString().toUtf8());
        QCOMPARE(request->header("ipAddr"), device.value(QStringLiteral("ip")).toString().toUtf8());
        QCOMPARE(request->header("userChannel"), QByteArray("gw"));
    }

    void tokenWithLineBreakIsNotSent() {
        m_net->users.setCurrentUser(MLUserModel{QStringLiteral("abc\r\nX-Forged: 1")});
        auto outcome = post(kOpen);
        QTRY_VERIFY(outcome->finished());
        const auto request = m_standin->server().lastRequest(kOpen);
        QVERIFY(request);
        QVERIFY(!request->headers.contains("tk"));
        QVERIFY(!request->headers.contains("x-forged"));
    }

    void parametersTravelInTheEnvelope_data() {
        QTest::addColumn<QJsonObject>("parameters");
        QTest::addColumn<bool>("none");
        QTest::newRow("none") << QJsonObject() << true;
        QTest::newRow("envelope") << QJsonObject{{QStringLiteral("languageType"), 11},
                                                 {QStringLiteral("名称"), QStringLiteral("中文")}}
                                  << false;
    }
    void parametersTravelInTheEnvelope() {
        QFETCH(QJsonObject, parameters);
        QFETCH(bool, none);
        auto outcome = post(kOpen, none ? QString() : MLEncryptOperation::returnRequestJsonToDic(parameters));
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->succeeded());
        const auto request = m_standin->server().lastRequest(kOpen);
        QVERIFY(request);
        if (none)
            QCOMPARE(request->body, QByteArray("{}"));
        QCOMPARE(request->params, parameters);
        QCOMPARE(request->header("content-type"), QByteArray("application/json"));
    }

    void callsFromAnotherThreadCompleteOnTheMainThread() {
        auto outcome = RequestOutcome::make();
        QThread *answeredOn = nullptr;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            m_net->manager.postUrl(
                kMeInfo, {},
                [&, outcome](const QJsonObject &answer) {
                    answeredOn = QThread::currentThread();
                    ml::test::onAnswer(outcome)(answer);
                },
                ml::test::onFailure(outcome), this);
        }));
        worker->start();
        QVERIFY(worker->wait(5000));
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->succeeded());
        QCOMPARE(answeredOn, QCoreApplication::instance()->thread());
    }
};

ML_TEST_MAIN(TestNetRequestManager)
#include "tst_netrequestmanager.moc"
