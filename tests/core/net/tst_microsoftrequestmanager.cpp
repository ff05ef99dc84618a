#include "core/net/MLMicrosoftNetRequestManager.h"
#include "support/MLTestMain.h"
#include "support/NetTestSupport.h"
#include "support/RequestOutcome.h"
#include "support/StandinFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>

#include <memory>

using ml::test::RequestOutcome;

Q_DECLARE_METATYPE(StandinFault)

namespace {
const QString kTranslate = QStringLiteral("/test/translate");
const QString kUpload = QStringLiteral("/file/uploadTranslateFile");
} // namespace

class TestMicrosoftRequestManager : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    std::unique_ptr<ml::test::NetClientStack<MLMicrosoftNetRequestManager>> m_net;
    QByteArray m_body;
    int m_status = 200;

    QString translateUrl() const { return m_standin->apiBaseUrl() + kTranslate; }

    std::shared_ptr<RequestOutcome> translate(const QString &url) {
        auto outcome = RequestOutcome::make();
        m_net->manager.postUrl(url, R"([{"Text":"你好"}])", QStringLiteral("Bearer abc"),
                               ml::test::onValue(outcome), ml::test::onFailure(outcome), this);
        return outcome;
    }

    std::shared_ptr<RequestOutcome> upload(const QVariantMap &fields, const QByteArray &data) {
        auto outcome = RequestOutcome::make();
        m_net->manager.upLoadDataWithUrlStr(kUpload, fields, data, ml::test::onAnswer(outcome),
                                            ml::test::onFailure(outcome), this);
        return outcome;
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        m_standin->server().route(
            kTranslate,
            [this](const StandinRequest &) {
                return StandinReply::raw(m_body, "application/json", m_status);
            },
            StandinRouteKind::Raw, false);
        m_standin->server().route(
            kUpload,
            [](const StandinRequest &request) {
                return StandinReply::success(QJsonObject{{QStringLiteral("translateId"), 4711},
                                                         {QStringLiteral("size"), request.fileData.size()}});
            },
            StandinRouteKind::Multipart);
    }

    void init() {
        m_net = std::make_unique<ml::test::NetClientStack<MLMicrosoftNetRequestManager>>(*m_standin);
        m_status = 200;
    }

    void postSendsBodyAndAuthorizationOnly() {
        m_body = R"([{"translations":[{"text":"Hello","to":"en"}]}])";
        auto outcome = translate(translateUrl());
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->succeeded());
        QCOMPARE(outcome->answer.toArray()
                     .first()
                     .toObject()
                     .value(QStringLiteral("translations"))
                     .toArray()
                     .size(),
                 1);
        const auto request = m_standin->server().lastRequest(kTranslate);
        QVERIFY(request);
        QCOMPARE(request->body, QByteArray(R"([{"Text":"你好"}])"));
        QCOMPARE(request->header("authorization"), QByteArray("Bearer abc"));
        // The service's own fields (the session token above all) never go to another party.
        QVERIFY(!request->headers.contains("tk"));
        QVERIFY(!request->headers.contains("osid"));
    }

    void answersAreJudged_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("code");
        QTest::newRow("object") << 200 << QByteArray(R"({"a":1})") << true << QString() << QString();
        QTest::newRow("not json") << 200 << QByteArray("oops") << false << QStringLiteral("oops")
                                  << QStringLiteral("2");
        QTest::newRow("error with body")
            << 401 << QByteArray(R"({"error":{"code":401000}})") << false
            << QStringLiteral(R"({"error":{"code":401000}})") << QStringLiteral("2");
        QTest::newRow("error without body")
            << 500 << QByteArray() << false << QStringLiteral("系统异常-找客服查看") << QStringLiteral("2");
        QTest::newRow("utf-8 body") << 400 << QByteArray("参数错误") << false << QStringLiteral("参数错误")
                                    << QStringLiteral("2");
    }
    void answersAreJudged() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, success);
        QFETCH(QString, message);
        QFETCH(QString, code);
        m_status = status;
        m_body = body;
        auto outcome = translate(translateUrl());
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(outcome->succeeded(), success);
        if (!success) {
            QCOMPARE(outcome->message, message);
            QCOMPARE(outcome->code, code);
        }
    }

    void connectionFailuresAreCodeOne_data() {
        QTest::addColumn<StandinFault>("fault");
        QTest::newRow("dropped") << StandinFault::drop();
        QTest::newRow("silent") << StandinFault::silence();
    }
    void connectionFailuresAreCodeOne() {
        QFETCH(StandinFault, fault);
        if (fault.kind == StandinFault::Kind::Silence || fault.delayMs > 0)
            m_net->transport.setTransferTimeout(300);
        m_standin->server().injectFault(kTranslate, fault);
        auto outcome = translate(translateUrl());
        QTRY_VERIFY_WITH_TIMEOUT(outcome->finished(), 3000);
        QCOMPARE(outcome->message, QStringLiteral("链接超时!"));
        QCOMPARE(outcome->code, QStringLiteral("1"));
    }

    void refusedConnectionIsCodeOne() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const QString url = QStringLiteral("http://127.0.0.1:%1/x").arg(probe.serverPort());
        probe.close();
        auto outcome = translate(url);
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(outcome->message, QStringLiteral("链接超时!"));
        QCOMPARE(outcome->code, QStringLiteral("1"));
    }

    void uploadSendsFieldsAndFilePart_data() {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("plain") << QStringLiteral("report.docx");
        QTest::newRow("chinese with quotes") << QStringLiteral("年度 \"报告\"; v2.docx");
        QTest::newRow("line break") << QStringLiteral("a\r\nContent-Type: text/evil.txt");
    }
    void uploadSendsFieldsAndFilePart() {
        QFETCH(QString, fileName);
        // Binary data holding what a naive body builder would take for a part boundary.
        const QByteArray data = QByteArray("\x00\x01\r\n--boundary\r\n\xff", 18) + QByteArray(70000, 'x');
        auto outcome = upload(
            {{QStringLiteral("fileName"), fileName}, {QStringLiteral("key"), QStringLiteral("k/1")}}, data);
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->succeeded());
        const QJsonObject dt = outcome->answer.toObject().value(QStringLiteral("dt")).toObject();
        QCOMPARE(dt.value(QStringLiteral("translateId")).toInt(), 4711); // plain "dt", no digest needed

        const auto request = m_standin->server().lastRequest(kUpload);
        QVERIFY(request);
        QVERIFY(request->header("content-type").startsWith("multipart/form-data; boundary="));
        QCOMPARE(request->formFields.value(QStringLiteral("fileName")), fileName);
        QCOMPARE(request->formFields.value(QStringLiteral("key")), QStringLiteral("k/1"));
        QCOMPARE(request->formFields.size(), 2);
        QVERIFY(request->hasFile);
        QCOMPARE(request->fileName, fileName);
        QCOMPARE(request->fileContentType, QByteArray("multipart/form-data"));
        QCOMPARE(request->fileData, data);
        QCOMPARE(request->header("tk"), m_standin->demoToken().toUtf8());
        QCOMPARE(request->header("osType"), QByteArray("4"));
    }

    void uploadAnswersAreJudged_data() {
        QTest::addColumn<StandinFault>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("code");
        QTest::newRow("service code")
            << StandinFault::answer(QStringLiteral("DIA036"), QStringLiteral("余额不足"))
            << QStringLiteral("余额不足") << QStringLiteral("DIA036");
        QTest::newRow("not json") << StandinFault::notJson() << QStringLiteral("数据格式异常") << QString();
        QTest::newRow("http error") << StandinFault::httpError(500) << QStringLiteral("系统异常")
                                    << QString();
        QTest::newRow("dropped") << StandinFault::drop() << QStringLiteral("链接超时!") << QString();
    }
    void uploadAnswersAreJudged() {
        QFETCH(StandinFault, fault);
        QFETCH(QString, message);
        QFETCH(QString, code);
        m_standin->server().injectFault(kUpload, fault);
        auto outcome = upload({{QStringLiteral("fileName"), QStringLiteral("a.txt")}}, "abc");
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->failed());
        QCOMPARE(outcome->message, message);
        QCOMPARE(outcome->code, code);
    }

    void uploadWithExpiredTokenSignsOut() {
        m_net->users.setCurrentUser(MLUserModel{QStringLiteral("revoked")});
        QStringList events;
        QObject observer;
        ml::test::recordLogouts(observer, events);
        auto outcome = upload({{QStringLiteral("fileName"), QStringLiteral("a.txt")}}, "abc");
        outcome->events = &events;
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(events, QStringList({QStringLiteral("logout"), QStringLiteral("failure")}));
        QCOMPARE(outcome->code, QStringLiteral("DIA005"));
        QVERIFY(!m_net->users.currentUser());
    }
};

ML_TEST_MAIN(TestMicrosoftRequestManager)
#include "tst_microsoftrequestmanager.moc"
