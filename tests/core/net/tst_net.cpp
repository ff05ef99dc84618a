#include "StandinMultipart.h"
#include "core/net/MLEncryptOperation.h"
#include "core/net/MLMicrosoftNetRequestManager.h"
#include "core/net/MLNetRequestManager.h"
#include "core/net/MLNetRequestRechargeManager.h"
#include "core/net/MLServiceOrigins.h"
#include "core/net/MLToolNetService.h"
#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"
#include "platform/http/MLHttpTransport.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/MLUserDefaults.h"
#include "support/MLTestMain.h"
#include "support/RequestOutcome.h"
#include "support/StandinFixture.h"
#include "support/TrickleServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QThread>

#include <memory>

using namespace Qt::StringLiterals;
using ml::test::RequestOutcome;

namespace {

// How a request is sent: the service API, the payment origin, the multipart upload, the credential
// wrapper over the service API, and the text-translation endpoint.
enum class Via { Api, Pay, Upload, Tool, Translate };

const QString kMeInfo = u"/meInfo/getMeInfo"_s;
const QString kOffers = u"/websitePay/getPointList"_s;
const QString kUpload = u"/file/uploadTranslateFile"_s;
const QString kCredentials = u"/test/credentials"_s;
const QString kTranslate = u"/test/translate"_s;
const QString kNoData = u"/test/nothing"_s;

const QString kTimeout = u"链接超时!"_s;
const QString kFormat = u"数据格式异常"_s;
const QString kFailed = u"系统异常"_s;
const QString kForged = u"非法请求"_s;

// Not shown by the stand-in: an origin that refuses connections, and one that trickles its answer.
const StandinFault kRefused = StandinFault::httpError(-1);
const StandinFault kTrickle = StandinFault::httpError(-2);
// A connection that has carried an answer before, closed by the server before the next answer.
const StandinFault kDroppedWhenReused = StandinFault::httpError(-3);

const char *nameOf(Via via) {
    static const char *names[] = {"api", "payment", "upload", "credentials", "translation"};
    return names[int(via)];
}

QString pathOf(Via via) {
    static const QString paths[] = {kMeInfo, u"/pay"_s + kOffers, kUpload, kCredentials, kTranslate};
    return paths[int(via)];
}

// One client stack per test: its own settings and session store, signed in with `token`.
struct Clients {
    explicit Clients(const QString &token)
        : defaults(dir.filePath(u"defaults.ini"_s))
        , users(defaults)
        , api(transport, users)
        , pay(transport, users)
        , ms(transport, users) {
        users.setCurrentUser(MLUserModel{token});
        transport.setTransferTimeout(5000); // generous for a loaded machine
    }
    QTemporaryDir dir;
    MLUserDefaults defaults;
    MLUserManager users;
    MLHttpTransport transport;
    MLNetRequestManager api;
    MLNetRequestRechargeManager pay;
    MLMicrosoftNetRequestManager ms;
};

QByteArray envelope(const QByteArray &json, const QString &digest = {}) {
    const QString text = QString::fromUtf8(json);
    return QJsonDocument(QJsonObject{{u"dt"_s, SecurityCore::encryptString(text)},
                                     {u"m5"_s, digest.isNull() ? MLDigest::md5Hex(text) : digest}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

Q_DECLARE_METATYPE(StandinFault)
Q_DECLARE_METATYPE(Via)

class TestNet : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    std::unique_ptr<Clients> m_net;
    QString m_origin;        // where the text-translation requests go
    QString m_authorization; // what the text-translation requests are authorised with
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

    void divert(const QString &origin) {
        MLServiceOrigins::setApiBaseUrl(origin);
        MLServiceOrigins::setPayBaseUrl(origin + u"/pay"_s);
        m_origin = origin;
    }

    std::shared_ptr<RequestOutcome> send(Via via, QObject *context = nullptr,
                                         const QJsonObject &parameters = {}) {
        auto outcome = RequestOutcome::make();
        const auto success = ml::test::onAnswer(outcome);
        const auto failure = ml::test::onFailure(outcome);
        context = context ? context : this;
        switch (via) {
        case Via::Api:
            m_net->api.postUrl(kMeInfo,
                               parameters.isEmpty() ? QString()
                                                    : MLEncryptOperation::returnRequestJsonToDic(parameters),
                               success, failure, context);
            break;
        case Via::Pay:
            m_net->pay.postUrl(kOffers, parameters, success, failure, context);
            break;
        case Via::Upload:
            m_net->ms.upLoadDataWithUrlStr(kUpload, {{u"fileName"_s, u"a.txt"_s}}, "abc", success, failure,
                                           context);
            break;
        case Via::Tool:
            MLToolNetService(m_net->api)
                .ml_requireGetXunFeiSinUrl(
                    kCredentials, {}, [outcome](const MLToolAdvancedModel &) { ++outcome->successCalls; },
                    failure, context);
            break;
        case Via::Translate:
            m_net->ms.postUrl(
                m_origin + kTranslate, R"([{"Text":"你好"}])", m_authorization,
                [outcome](const QJsonValue &answer) {
                    ++outcome->successCalls;
                    outcome->answer = answer;
                },
                failure, context);
            break;
        }
        return outcome;
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        StandinServer &server = m_standin->server();
        server.payRoute(kOffers, [](const StandinRequest &r) { return StandinReply::success(r.params); });
        server.route(kNoData, [](const StandinRequest &) { return StandinReply::success(); });
        server.route(kCredentials, [](const StandinRequest &) {
            return StandinReply::success(QJsonArray{1, 2});
        });
        server.route(
            kUpload,
            [](const StandinRequest &r) {
                return StandinReply::success(QJsonObject{{u"size"_s, r.fileData.size()}});
            },
            StandinRouteKind::Multipart);
    }

    void init() {
        m_net = std::make_unique<Clients>(m_standin->demoToken());
        m_standin->server().clearFaults();
        m_standin->server().clearReceivedRequests();
        divert(m_standin->apiBaseUrl());
        m_authorization = u"Bearer abc"_s;
    }

    // What goes out and what comes back: the service's header fields (none to the text translation),
    // the parameters as sent, and the whole answer.
    void requestAndAnswer_data() {
        QTest::addColumn<Via>("via");
        QTest::addColumn<QJsonObject>("parameters");
        QTest::addColumn<QString>("token");         // of the signed-in user
        QTest::addColumn<QString>("authorization"); // of the text translation, as the service gave it
        QTest::addColumn<QByteArray>("sent");       // its header line's value
        const QJsonObject some{{u"languageType"_s, 11}, {u"名称"_s, u"中文"_s}, {u"isAli"_s, true}};
        const QString demo = m_standin->demoToken();
        const QString bearer = u"Bearer abc"_s;
        QTest::newRow("api, no parameters") << Via::Api << QJsonObject() << demo << bearer << QByteArray();
        QTest::newRow("api: an envelope") << Via::Api << some << demo << bearer << QByteArray();
        QTest::newRow("api, signed out") << Via::Api << QJsonObject() << QString() << bearer << QByteArray();
        QTest::newRow("api, a line break in the token")
            << Via::Api << QJsonObject() << u"abc\r\nX-Forged: 1"_s << bearer << QByteArray();
        QTest::newRow("payment: plain JSON") << Via::Pay << some << demo << bearer << QByteArray();
        QTest::newRow("translation: the text as given")
            << Via::Translate << QJsonObject() << demo << bearer << QByteArray("Bearer abc");
        QTest::newRow("translation, line breaks in the authorization")
            << Via::Translate << QJsonObject() << demo << u"Bearer abc\r\nX-Forged: 1\n\r"_s
            << QByteArray("Bearer abcX-Forged: 1");
    }
    void requestAndAnswer() {
        QFETCH(Via, via);
        QFETCH(QJsonObject, parameters);
        QFETCH(QString, token);
        QFETCH(QString, authorization);
        const bool signedIn = token == m_standin->demoToken();
        if (token.isEmpty())
            m_net->users.logoutBlock(nullptr);
        else
            m_net->users.setCurrentUser(MLUserModel{token});
        const QByteArray translated = R"([{"translations":[{"text":"Hello","to":"en"}]}])";
        m_standin->server().injectFault(kTranslate, StandinFault::httpError(200, translated));
        m_authorization = authorization;
        auto outcome = send(via, this, parameters);
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(outcome->succeeded(), signedIn);
        const auto request = m_standin->server().lastRequest(pathOf(via));
        QVERIFY(request);
        QCOMPARE(request->header("content-type"), QByteArray("application/json"));
        const bool service = via != Via::Translate;
        const QByteArray none;
        QCOMPARE(request->header("tk"), signedIn && service ? token.toUtf8() : none);
        QVERIFY(!request->headers.contains("x-forged"));
        QCOMPARE(request->header("ver"), service ? QByteArray(ML_APP_VERSION) : none);
        QCOMPARE(request->header("osType"), service ? QByteArray("4") : none);
        QCOMPARE(request->header("userChannel"), service ? QByteArray("gw") : none);
        for (const char *name : {"osver", "osid", "ipaddr"})
            QCOMPARE(request->headers.contains(name), service);
        QTEST(request->header("authorization"), "sent");
        const QJsonValue dt = outcome->answer.toObject().value(u"dt"_s);
        if (via == Via::Translate) {
            QCOMPARE(request->body, QByteArray(R"([{"Text":"你好"}])"));
            QCOMPARE(outcome->answer, QJsonDocument::fromJson(translated).array());
            return;
        }
        QCOMPARE(request->params, parameters);
        if (parameters.isEmpty())
            QCOMPARE(request->body, QByteArray("{}"));
        // The whole answer: the service API's "dt" still sealed, the payment origin's plain.
        if (via == Via::Api && signedIn)
            QVERIFY(QJsonDocument::fromJson(SecurityCore::decryptString(dt).toUtf8()).isObject());
        else if (via == Via::Pay)
            QCOMPARE(dt.toObject(), parameters);
    }

    void answersAreJudged_data() {
        QTest::addColumn<Via>("via");
        QTest::addColumn<StandinFault>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("code");
        const auto row = [](Via via, const char *tag, const StandinFault &fault, const QString &message,
                            const QString &code = {}) {
            QTest::addRow("%s: %s", nameOf(via), tag) << via << fault << message << code;
        };
        const auto answer = [](int status, const QByteArray &body) {
            return StandinFault::httpError(status, body);
        };
        // Judged alike by the service API, the payment origin and the upload.
        for (Via via : {Via::Api, Via::Pay, Via::Upload}) {
            row(via, "service code", StandinFault::answer(u"DIA036"_s, u"余额不足"_s), u"余额不足"_s,
                u"DIA036"_s);
            row(via, "not json", StandinFault::notJson(), kFormat);
            row(via, "array", answer(200, "[1,2]"), kFormat);
            row(via, "error status, service answer", answer(500, R"({"code":"DIA500","message":"系统繁忙"})"),
                u"系统繁忙"_s, u"DIA500"_s);
            row(via, "error status, no body", answer(502, {}), kFailed);
            row(via, "error status, a page", answer(404, "<html>404</html>"), kFailed);
            row(via, "success at an error status", answer(500, R"({"code":"SUCCESS","dt":"00"})"), kFailed);
            row(via, "dropped connection", StandinFault::drop(), kTimeout);
            row(via, "dropped connection, reused", kDroppedWhenReused, kTimeout);
            row(via, "refused connection", kRefused, kTimeout);
        }
        // The service API's success holds when the MD5 of the decrypted "dt" is "m5"; a call without
        // data has no "dt" (or a null or empty one), which is the empty text. No message: success.
        const QByteArray emptyDigest = R"("m5":"d41d8cd98f00b204e9800998ecf8427e")";
        const auto success = [&](const QByteArray &dt, const QByteArray &m5 = {}) {
            return answer(200, R"({"code":"SUCCESS",)" +
                                   (dt.isNull() ? QByteArray() : R"("dt":)" + dt + ",") +
                                   (m5.isNull() ? emptyDigest : m5) + "}");
        };
        const auto quoted = [](const QByteArray &text) -> QByteArray { return "\"" + text + "\""; };
        // Sixteen padding bytes sealed alone: what the empty text encrypts to.
        const QByteArray sealedEmpty = SecurityCore::encryptHex(QByteArray(16, '\x10')).left(32);
        const QByteArray sealedHello = SecurityCore::encryptHex("hello");
        const QByteArray helloDigest = "\"m5\":" + quoted(MLDigest::md5Hex(QByteArray("hello")).toLatin1());
        row(Via::Api, "no payload, its digest", success({}), {});
        row(Via::Api, "null payload, its digest", success("null"), {});
        row(Via::Api, "empty payload, its digest", success(R"("")"), {});
        row(Via::Api, "sealed empty text, its digest", success(quoted(sealedEmpty)), {});
        row(Via::Api, "sealed payload, its digest", success(quoted(sealedHello), helloDigest), {});
        row(Via::Api, "wrong digest", StandinFault::wrongDigest(), kForged);
        row(Via::Api, "no payload, another digest", success({}, helloDigest), kForged);
        row(Via::Api, "no payload, no digest", success({}, R"("x":1)"), kForged);
        row(Via::Api, "success without digest", answer(200, R"({"code":"SUCCESS","dt":"00ff"})"), kForged);
        row(Via::Api, "payload not hex", success(R"("not hex")"), kForged);
        row(Via::Api, "payload a flag", success("false"), kForged);
        row(Via::Api, "payload an object", success("{}"), kForged);
        // Qt's hex reader would skip the letters and decrypt what is left.
        row(Via::Api, "payload with a block of letters that are not hex digits",
            success(quoted(sealedHello + QByteArray(32, 'g')), helloDigest), kForged);
        row(Via::Api, "digest in capitals", success({}, R"("m5":"D41D8CD98F00B204E9800998ECF8427E")"),
            kForged);
        row(Via::Api, "no code", answer(200, R"({"message":"x"})"), kFormat);
        row(Via::Api, "numeric code", answer(200, R"({"code":500,"message":"服务器错误"})"), u"服务器错误"_s,
            u"500"_s);
        row(Via::Api, "no message", answer(200, R"({"code":"DIA007"})"), kFailed, u"DIA007"_s);
        row(Via::Api, "empty message", answer(200, R"({"code":"DIA007","message":""})"), kFailed,
            u"DIA007"_s);
        row(Via::Api, "message of only white space", answer(200, R"({"code":"DIA007","message":"   \n "})"),
            kFailed, u"DIA007"_s);
        row(Via::Api, "message not a string", answer(200, R"({"code":"DIA007","message":12})"), kFailed,
            u"DIA007"_s);
        row(Via::Api, "flood of a message",
            answer(200, R"({"code":"DIA007","message":")" + QByteArray(20000, 'x') + R"("})"),
            QString(300, u'x') + QChar(0x2026), u"DIA007"_s);
        // A pair of surrogates (an emoji) is kept whole or left out, never cut in two.
        const QByteArray emoji = "\xf0\x9f\x98\x80";
        const auto message = [](const QByteArray &text) {
            return StandinFault::httpError(200, R"({"code":"DIA007","message":")" + text + R"("})");
        };
        row(Via::Api, "an emoji across the cut", message(QByteArray(299, 'x') + emoji + "yz"),
            QString(299, u'x') + QChar(0x2026), u"DIA007"_s);
        row(Via::Api, "an emoji ending at the cut", message(QByteArray(298, 'x') + emoji + "yz"),
            QString(298, u'x') + QString::fromUtf8(emoji) + QChar(0x2026), u"DIA007"_s);
        row(Via::Api, "body over the cap",
            answer(200, R"({"code":"DIA007","message":")" +
                            QByteArray(MLHttpTransport::kDefaultMaximumBodyBytes, 'x') + R"("})"),
            kFormat);
        row(Via::Api, "silent server", StandinFault::silence(), kTimeout);
        row(Via::Api, "answer after the deadline", StandinFault::delay(1500), kTimeout);
        row(Via::Api, "a byte now and then", kTrickle, kTimeout);
        // The text translation: "1" for connection failures, else "2" with the body as text.
        const QByteArray denied = R"({"error":"未授权"})";
        row(Via::Translate, "not json", answer(200, "oops"), u"oops"_s, u"2"_s);
        row(Via::Translate, "error status", answer(401, denied), QString::fromUtf8(denied), u"2"_s);
        row(Via::Translate, "error status, no body", answer(500, {}), u"系统异常-找客服查看"_s, u"2"_s);
        const QByteArray longDenial = "{\"error\":\"" + QByteArray(600, 'x') + "\"}";
        row(Via::Translate, "error status, a long body, whole", answer(401, longDenial),
            QString::fromUtf8(longDenial), u"2"_s);
        row(Via::Translate, "dropped connection", StandinFault::drop(), kTimeout, u"1"_s);
        row(Via::Translate, "dropped connection, reused", kDroppedWhenReused, kTimeout, u"1"_s);
        row(Via::Translate, "refused connection", kRefused, kTimeout, u"1"_s);
        // The credential wrapper passes failures on and refuses a payload that is not an object.
        row(Via::Tool, "service code", StandinFault::answer(u"DIA004"_s, u"时长不足"_s), u"时长不足"_s,
            u"DIA004"_s);
        row(Via::Tool, "payload not an object", StandinFault(), kFormat);
    }
    void answersAreJudged() {
        QFETCH(Via, via);
        QFETCH(StandinFault, fault);
        ml::test::TrickleServer trickle(QByteArray(1000, ' '), 1, 50);
        if (fault.httpStatus == kRefused.httpStatus) {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            divert(u"http://127.0.0.1:%1"_s.arg(probe.serverPort())); // closed when the probe goes
        } else if (fault.httpStatus == kTrickle.httpStatus) {
            divert(trickle.url());
        } else if (fault.httpStatus == kDroppedWhenReused.httpStatus) {
            auto first = send(via); // its connection stays open for the next request
            QTRY_VERIFY(first->finished());
            m_standin->server().injectFault(pathOf(via), StandinFault::drop());
        } else {
            m_standin->server().injectFault(pathOf(via), fault);
        }
        if (fault.kind == StandinFault::Kind::Silence || fault.delayMs > 0 ||
            fault.httpStatus == kTrickle.httpStatus)
            m_net->transport.setTransferTimeout(300);
        auto outcome = send(via);
        QTRY_VERIFY_WITH_TIMEOUT(outcome->finished(), 3000);
        QFETCH(QString, message);
        QCOMPARE(outcome->succeeded(), message.isNull());
        QCOMPARE(outcome->message, message);
        QTEST(outcome->code, "code");
        QVERIFY(m_net->users.currentUser()); // only "DIA005" signs out
    }

    // A call the service answers without data: no "dt", and "m5" the MD5 of the empty text.
    void successWithoutData() {
        auto outcome = RequestOutcome::make();
        m_net->api.postUrl(kNoData, {}, ml::test::onAnswer(outcome), ml::test::onFailure(outcome), this);
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->succeeded());
        const QJsonObject answer = outcome->answer.toObject();
        QVERIFY(!answer.contains(u"dt"_s));
        QCOMPARE(answer.value(u"m5"_s).toString(), MLDigest::md5Hex(QByteArray()));
    }

    // The HTTP layer would replay a request whose connection closed unanswered; a POST reaches the
    // service at most once (a replay would have been answered, and recorded before the failure).
    void droppedRequestIsNotSentAgain() {
        m_standin->server().injectFault(kMeInfo, StandinFault::drop());
        QSignalSpy finished(m_net->transport.network(), &QNetworkAccessManager::finished);
        auto outcome = send(Via::Api);
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(outcome->message, kTimeout);
        QCOMPARE(m_standin->server().receivedRequests(kMeInfo).size(), 1);
        QCOMPARE(finished.count(), 1);
    }

    // "DIA005" removes the user, then announces it, then fails; the sign-out happens even when the
    // caller is gone, whose blocks are dropped.
    void signOutComesFirst_data() {
        QTest::addColumn<Via>("via");
        QTest::addColumn<bool>("expired");
        QTest::addColumn<bool>("callerGone");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("api") << Via::Api << true << false << QStringList{u"logout"_s, u"DIA005"_s};
        QTest::newRow("api, caller gone") << Via::Api << true << true << QStringList{u"logout"_s};
        QTest::newRow("api, valid token, caller gone") << Via::Api << false << true << QStringList();
        QTest::newRow("payment") << Via::Pay << true << false << QStringList{u"logout"_s, u"DIA005"_s};
        QTest::newRow("upload") << Via::Upload << true << false << QStringList{u"logout"_s, u"DIA005"_s};
    }
    void signOutComesFirst() {
        QFETCH(Via, via);
        QFETCH(bool, expired);
        QFETCH(bool, callerGone);
        if (expired)
            m_net->users.setCurrentUser(MLUserModel{u"expired-token"_s});
        QStringList events;
        QObject observer;
        MLNotificationCenter::defaultCenter().addObserver(
            &observer, MLNotificationNames::kUserLogout, [&](const MLNotification &) {
                events << (m_net->users.currentUser() ? u"logout with a user"_s : u"logout"_s);
            });
        m_standin->server().injectFault(pathOf(via), StandinFault::delay(150));
        QSignalSpy finished(m_net->transport.network(), &QNetworkAccessManager::finished);
        auto page = std::make_unique<QObject>();
        auto outcome = send(via, page.get());
        if (callerGone)
            page.reset();
        QTRY_COMPARE(finished.count(), 1);
        QCoreApplication::processEvents();
        if (outcome->finished())
            events << outcome->code;
        QTEST(events, "events");
        QCOMPARE(bool(m_net->users.currentUser()), !expired);
    }

    void callsFromAnotherThreadCompleteOnTheMainThread() {
        std::shared_ptr<RequestOutcome> outcome;
        std::unique_ptr<QThread> worker(QThread::create([&] { outcome = send(Via::Api); }));
        worker->start();
        QVERIFY(worker->wait(5000));
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->succeeded());
        QCOMPARE(outcome->thread, QCoreApplication::instance()->thread());
    }

    // Every form field a plain part, then the file; names a naive body builder would break on.
    void uploadSendsFieldsAndFilePart_data() {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("chinese with quotes") << u"年度 \"报告\"; v2.docx"_s;
        QTest::newRow("line break") << u"a\r\nContent-Type: text/evil.txt"_s;
    }
    void uploadSendsFieldsAndFilePart() {
        QFETCH(QString, fileName);
        // Binary data holding what a naive body builder would take for a part boundary.
        const QByteArray data = QByteArray("\x00\x01\r\n--boundary\r\n\xff", 18) + QByteArray(70000, 'x');
        auto outcome = RequestOutcome::make();
        m_net->ms.upLoadDataWithUrlStr(kUpload, {{u"fileName"_s, fileName}, {u"key"_s, u"k/1"_s}}, data,
                                       ml::test::onAnswer(outcome), ml::test::onFailure(outcome), this);
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->succeeded()); // plain "dt", no digest needed
        QCOMPARE(outcome->answer.toObject().value(u"dt"_s).toObject().value(u"size"_s).toInt(), data.size());
        const auto request = m_standin->server().lastRequest(kUpload);
        QVERIFY(request);
        QVERIFY(request->header("content-type").startsWith("multipart/form-data; boundary="));
        QCOMPARE(request->formFields,
                 (QHash<QString, QString>{{u"fileName"_s, fileName}, {u"key"_s, u"k/1"_s}}));
        QVERIFY(request->hasFile);
        QCOMPARE(request->fileName, fileName);
        QCOMPARE(request->fileContentType, QByteArray("multipart/form-data"));
        QCOMPARE(request->fileData, data);
        QCOMPARE(request->header("tk"), m_standin->demoToken().toUtf8());
    }

    // ---- the stand-in's own checks ----

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

ML_TEST_MAIN(TestNet)
#include "tst_net.moc"
