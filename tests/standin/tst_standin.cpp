#include "StandinMultipart.h"

#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTimer>

#include <memory>
#include <stdexcept>

namespace {

const QString kMeInfo = QStringLiteral("/meInfo/getMeInfo");

// Runs the event loop until the reply finishes (at most 5 s), without the polling steps of QTRY_*.
void waitFor(QNetworkReply *reply) {
    if (reply->isFinished())
        return;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
}

struct HttpResult {
    int status = 0;
    QByteArray body;
    QJsonObject answer;
    QString code() const { return answer.value(QStringLiteral("code")).toString(); }
};

QByteArray envelope(const QByteArray &json, const QString &digest = {}) {
    const QString text = QString::fromUtf8(json);
    return QJsonDocument(
               QJsonObject{{QStringLiteral("dt"), SecurityCore::encryptString(text)},
                           {QStringLiteral("m5"), digest.isNull() ? MLDigest::md5Hex(text) : digest}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

class TestStandin : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    QNetworkAccessManager m_network;

    HttpResult send(const QByteArray &method, const QString &path, const QByteArray &body,
                    const QByteArray &token = {}, const QByteArray &contentType = "application/json") {
        QNetworkRequest request(QUrl(m_standin->apiBaseUrl() + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
        if (!token.isEmpty())
            request.setRawHeader("tk", token);
        QNetworkReply *reply = m_network.sendCustomRequest(request, method, body);
        waitFor(reply);
        HttpResult result;
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
        result.answer = QJsonDocument::fromJson(result.body).object();
        reply->deleteLater();
        return result;
    }
    HttpResult post(const QString &path, const QByteArray &body, const QByteArray &token = {}) {
        return send("POST", path, body, token);
    }
    QByteArray demoToken() const { return m_standin->demoToken().toUtf8(); }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        QVERIFY(!m_standin->demoToken().isEmpty());
    }

    void init() {
        m_standin->server().clearFaults();
        m_standin->server().clearReceivedRequests();
    }

    void envelopeAndTokenAreChecked_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("withToken");
        QTest::addColumn<QString>("code");
        QTest::newRow("valid") << envelope("{}") << true << QStringLiteral("SUCCESS");
        QTest::newRow("no parameters") << QByteArray("{}") << true << QStringLiteral("SUCCESS");
        QTest::newRow("empty body") << QByteArray() << true << QStringLiteral("SUCCESS");
        QTest::newRow("no token") << envelope("{}") << false << QStringLiteral("DIA005");
        QTest::newRow("not json") << QByteArray("dt=1") << true << QStringLiteral("DIA001");
        QTest::newRow("json array") << QByteArray("[]") << true << QStringLiteral("DIA001");
        QTest::newRow("dt not hex") << QByteArray(R"({"dt":"zz","m5":"00"})") << true
                                    << QStringLiteral("DIA001");
        QTest::newRow("dt without m5") << QByteArray(R"({"dt":"00"})") << true << QStringLiteral("DIA001");
        QTest::newRow("digest mismatch")
            << envelope("{}", QStringLiteral("0123")) << true << QStringLiteral("DIA002");
        QTest::newRow("parameters not an object") << envelope("[1]") << true << QStringLiteral("DIA001");
    }
    void envelopeAndTokenAreChecked() {
        QFETCH(QByteArray, body);
        QFETCH(bool, withToken);
        QFETCH(QString, code);
        const HttpResult result = post(kMeInfo, body, withToken ? demoToken() : QByteArray());
        QCOMPARE(result.status, 200);
        QCOMPARE(result.code(), code);
        QVERIFY(!result.answer.value(QStringLiteral("message")).toString().isEmpty());
    }

    void accountAnswerIsSealed() {
        const HttpResult result = post(kMeInfo, "{}", demoToken());
        QCOMPARE(result.code(), QStringLiteral("SUCCESS"));
        const QString payload = SecurityCore::decryptString(result.answer.value(QStringLiteral("dt")));
        QCOMPARE(MLDigest::md5Hex(payload), result.answer.value(QStringLiteral("m5")).toString());
        const QJsonObject account = QJsonDocument::fromJson(payload.toUtf8()).object();
        for (const char *key :
             {"accountNum", "nickname", "headImg", "balanceStr", "consumerId", "regionCode"})
            QVERIFY2(account.contains(QLatin1String(key)), key);
        QCOMPARE(account.value(QStringLiteral("consumerId")).toInteger(), 10001);
        QCOMPARE(account.value(QStringLiteral("balanceStr")).toString(), QStringLiteral("3600"));
    }

    void issuedTokensSignInAndRevokedOnesExpire() {
        StandinState &state = m_standin->server().state();
        const QString token = state.issueToken(10002);
        HttpResult result = post(kMeInfo, "{}", token.toUtf8());
        QCOMPARE(result.code(), QStringLiteral("SUCCESS"));
        const auto request = m_standin->server().lastRequest(kMeInfo);
        QVERIFY(request);
        QCOMPARE(request->consumerId, 10002);
        state.revokeToken(token);
        result = post(kMeInfo, "{}", token.toUtf8());
        QCOMPARE(result.code(), QStringLiteral("DIA005"));
    }

    void wrongMethodAndUnknownPaths_data() {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::newRow("get on a service path")
            << QByteArray("GET") << kMeInfo << 405 << QStringLiteral("DIA008");
        QTest::newRow("unknown path")
            << QByteArray("POST") << QStringLiteral("/nope") << 404 << QStringLiteral("DIA404");
        QTest::newRow("unknown payment path")
            << QByteArray("POST") << QStringLiteral("/pay/nope") << 404 << QStringLiteral("DIA404");
    }
    void wrongMethodAndUnknownPaths() {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QString, code);
        const HttpResult result =
            send(method, path, method == "GET" ? QByteArray() : QByteArray("{}"), demoToken());
        QCOMPARE(result.status, status);
        QCOMPARE(result.code(), code);
    }

    void faultsAreCountedPerPathAndInOrder() {
        StandinServer &server = m_standin->server();
        server.injectFault(kMeInfo, StandinFault::answer(QStringLiteral("DIA101"), QStringLiteral("一")), 2);
        server.injectFault(kMeInfo, StandinFault::answer(QStringLiteral("DIA102"), QStringLiteral("二")));
        QCOMPARE(server.pendingFaults(kMeInfo), 3);
        QCOMPARE(post(QStringLiteral("/transLangue/getLanguageList"), envelope(R"({"languageType":11})"),
                      demoToken())
                     .code(),
                 QStringLiteral("SUCCESS"));
        QCOMPARE(post(kMeInfo, "{}", demoToken()).code(), QStringLiteral("DIA101"));
        QCOMPARE(post(kMeInfo, "{}", demoToken()).code(), QStringLiteral("DIA101"));
        QCOMPARE(post(kMeInfo, "{}", demoToken()).code(), QStringLiteral("DIA102"));
        QCOMPARE(server.pendingFaults(kMeInfo), 0);
        QCOMPARE(post(kMeInfo, "{}", demoToken()).code(), QStringLiteral("SUCCESS"));
    }

    void wrongDigestFaultSpoilsOnlyTheDigest() {
        m_standin->server().injectFault(kMeInfo, StandinFault::wrongDigest());
        const HttpResult result = post(kMeInfo, "{}", demoToken());
        QCOMPARE(result.code(), QStringLiteral("SUCCESS"));
        const QString payload = SecurityCore::decryptString(result.answer.value(QStringLiteral("dt")));
        QVERIFY(payload.contains(QStringLiteral("13800138000")));
        QVERIFY(MLDigest::md5Hex(payload) != result.answer.value(QStringLiteral("m5")).toString());
    }

    void failingHandlerAnswersServerErrorAndServerGoesOn() {
        m_standin->server().route(QStringLiteral("/test/throws"), [](const StandinRequest &) -> StandinReply {
            throw std::runtime_error("broken handler");
        });
        QCOMPARE(post(QStringLiteral("/test/throws"), "{}", demoToken()).code(), QStringLiteral("DIA500"));
        QCOMPARE(post(kMeInfo, "{}", demoToken()).code(), QStringLiteral("SUCCESS"));
    }

    void garbageNeverBreaksTheServer() {
        StandinServer &server = m_standin->server();
        server.payRoute(QStringLiteral("/test/plain"),
                        [](const StandinRequest &r) { return StandinReply::success(r.params); });
        server.route(
            QStringLiteral("/test/form"),
            [](const StandinRequest &r) { return StandinReply::success(r.fileName); },
            StandinRouteKind::Multipart);
        QRandomGenerator random(7);
        const QStringList paths{kMeInfo, QStringLiteral("/pay/test/plain"), QStringLiteral("/test/form")};
        for (int i = 0; i < 30; ++i) {
            QByteArray body(random.bounded(1, 300), Qt::Uninitialized);
            for (char &c : body)
                c = static_cast<char>(random.bounded(256));
            if (i % 3 == 0)
                body.prepend("--x\r\n");
            const QString &path = paths.at(i % paths.size());
            QNetworkRequest request(QUrl(m_standin->apiBaseUrl() + path));
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArray("multipart/form-data; boundary=x"));
            request.setRawHeader("tk", demoToken());
            QNetworkReply *reply = m_network.post(request, body);
            waitFor(reply);
            QVERIFY(reply->isFinished());
            const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
            reply->deleteLater();
            QVERIFY2(!answer.value(QStringLiteral("code")).toString().isEmpty(), qPrintable(path));
        }
        QCOMPARE(post(kMeInfo, "{}", demoToken()).code(), QStringLiteral("SUCCESS"));
    }

    void requestLogIsBounded() {
        for (int i = 0; i < StandinServer::kLogSize + 5; ++i)
            post(QStringLiteral("/nope"), "{}");
        QCOMPARE(m_standin->server().receivedRequests().size(), StandinServer::kLogSize);
    }

    void multipartBodiesAreTakenApart_data() {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("parts"); // -1: rejected
        const QByteArray good =
            "--b\r\nContent-Disposition: form-data; name=\"k\"\r\n\r\nv\r\n"
            "--b\r\nContent-Disposition: form-data; name=\"file\"; filename=\"a%22;b.txt\"\r\n"
            "Content-Type: multipart/form-data\r\n\r\n\r\n--bx\r\n--b--\r\n";
        QTest::newRow("two parts") << QByteArray("multipart/form-data; boundary=b") << good << 2;
        QTest::newRow("quoted boundary") << QByteArray("multipart/form-data; boundary=\"b\"") << good << 2;
        QTest::newRow("no boundary") << QByteArray("multipart/form-data") << good << -1;
        QTest::newRow("other type") << QByteArray("application/json") << good << -1;
        QTest::newRow("unterminated")
            << QByteArray("multipart/form-data; boundary=b")
            << QByteArray("--b\r\nContent-Disposition: form-data; name=\"k\"\r\n\r\nv") << -1;
        QTest::newRow("no headers end")
            << QByteArray("multipart/form-data; boundary=b") << QByteArray("--b\r\nX") << -1;
        QTest::newRow("empty") << QByteArray("multipart/form-data; boundary=b") << QByteArray() << -1;
    }
    void multipartBodiesAreTakenApart() {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(int, parts);
        const auto result = StandinMultipart::parse(contentType, body);
        QCOMPARE(result.has_value(), parts >= 0);
        if (!result)
            return;
        QCOMPARE(result->size(), parts);
        QCOMPARE(result->at(0).name, QStringLiteral("k"));
        QCOMPARE(result->at(0).body, QByteArray("v"));
        QVERIFY(!result->at(0).hasFileName);
        QCOMPARE(result->at(1).fileName, QStringLiteral("a\";b.txt"));
        QCOMPARE(result->at(1).body, QByteArray("\r\n--bx"));
    }
};

ML_TEST_MAIN(TestStandin)
#include "tst_standin.moc"
