#include "StandinMultipart.h"

#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kMeInfo = u"/meInfo/getMeInfo"_s;

QByteArray envelope(const QByteArray &json, const QString &digest = {}) {
    const QString text = QString::fromUtf8(json);
    return QJsonDocument(QJsonObject{{u"dt"_s, SecurityCore::encryptString(text)},
                                     {u"m5"_s, digest.isNull() ? MLDigest::md5Hex(text) : digest}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

class TestStandin : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    QNetworkAccessManager m_network;

    // The answer's code; every answer, refusals included, is a 200 with a message.
    QString post(const QString &path, const QByteArray &body, const QByteArray &token) {
        QNetworkRequest request(QUrl(m_standin->apiBaseUrl() + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
        if (!token.isEmpty())
            request.setRawHeader("tk", token);
        std::unique_ptr<QNetworkReply> reply(m_network.post(request, body));
        [&] { QTRY_VERIFY(reply->isFinished()); }();
        const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
        const bool whole = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200 &&
                           !answer.value(u"message"_s).toString().isEmpty();
        return whole ? answer.value(u"code"_s).toString() : u"not a whole answer"_s;
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
        QTest::newRow("valid") << envelope("{}") << true << u"SUCCESS"_s;
        QTest::newRow("no token") << envelope("{}") << false << u"DIA005"_s;
        QTest::newRow("not json") << QByteArray("dt=1") << true << u"DIA001"_s;
        QTest::newRow("digest mismatch") << envelope("{}", u"0123"_s) << true << u"DIA002"_s;
        QTest::newRow("parameters not an object") << envelope("[1]") << true << u"DIA001"_s;
    }
    void envelopeAndTokenAreChecked() {
        QFETCH(QByteArray, body);
        QFETCH(bool, withToken);
        QTEST(post(kMeInfo, body, withToken ? demoToken() : QByteArray()), "code");
    }

    void faultsAreCountedPerPathAndInOrder() {
        StandinServer &server = m_standin->server();
        server.injectFault(kMeInfo, StandinFault::answer(u"DIA101"_s, u"一"_s), 2);
        server.injectFault(kMeInfo, StandinFault::answer(u"DIA102"_s, u"二"_s));
        QCOMPARE(server.pendingFaults(kMeInfo), 3);
        QCOMPARE(post(u"/transLangue/getLanguageList"_s, envelope(R"({"languageType":11})"), demoToken()),
                 u"SUCCESS"_s);
        for (const QString &code : {u"DIA101"_s, u"DIA101"_s, u"DIA102"_s, u"SUCCESS"_s})
            QCOMPARE(post(kMeInfo, "{}", demoToken()), code);
        QCOMPARE(server.pendingFaults(kMeInfo), 0);
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
        QTest::newRow("unterminated")
            << QByteArray("multipart/form-data; boundary=b")
            << QByteArray("--b\r\nContent-Disposition: form-data; name=\"k\"\r\n\r\nv") << -1;
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
        QCOMPARE(result->at(0).name, u"k"_s);
        QCOMPARE(result->at(0).body, QByteArray("v"));
        QVERIFY(!result->at(0).hasFileName);
        QCOMPARE(result->at(1).fileName, u"a\";b.txt"_s);
        QCOMPARE(result->at(1).body, QByteArray("\r\n--bx"));
    }
};

ML_TEST_MAIN(TestStandin)
#include "tst_standin.moc"
