#include "core/net/MLNetRequestRechargeManager.h"
#include "support/MLTestMain.h"
#include "support/NetTestSupport.h"
#include "support/RequestOutcome.h"
#include "support/StandinFixture.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <memory>

using ml::test::RequestOutcome;

Q_DECLARE_METATYPE(StandinFault)

namespace {
const QString kOffers = QStringLiteral("/websitePay/getPointList");
const QString kOffersFullPath = QStringLiteral("/pay/websitePay/getPointList");
} // namespace

class TestRechargeRequestManager : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    std::unique_ptr<ml::test::NetClientStack<MLNetRequestRechargeManager>> m_net;

    std::shared_ptr<RequestOutcome> post(const QJsonObject &parameters = {}) {
        auto outcome = RequestOutcome::make();
        m_net->manager.postUrl(kOffers, parameters, ml::test::onAnswer(outcome), ml::test::onFailure(outcome),
                               this);
        return outcome;
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        // A payment route that answers with what it was given and who gave it.
        m_standin->server().payRoute(kOffers, [](const StandinRequest &request) {
            return StandinReply::success(QJsonArray{request.params, request.consumerId});
        });
    }

    void init() {
        m_net = std::make_unique<ml::test::NetClientStack<MLNetRequestRechargeManager>>(*m_standin);
    }

    void plainBodyAndPlainAnswer_data() {
        QTest::addColumn<QJsonObject>("parameters");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no parameters") << QJsonObject() << QByteArray("{}");
        QTest::newRow("parameters") << QJsonObject{{QStringLiteral("setmealId"), 7},
                                                   {QStringLiteral("isAli"), true}}
                                    << QByteArray(R"({"isAli":true,"setmealId":7})");
    }
    void plainBodyAndPlainAnswer() {
        QFETCH(QJsonObject, parameters);
        QFETCH(QByteArray, body);
        auto outcome = post(parameters);
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->succeeded());
        const auto request = m_standin->server().lastRequest(kOffersFullPath);
        QVERIFY(request);
        QCOMPARE(request->body, body);
        QCOMPARE(request->header("tk"), m_standin->demoToken().toUtf8());
        QCOMPARE(request->header("userChannel"), QByteArray("gw"));
        QCOMPARE(request->header("osType"), QByteArray("4"));
        // "dt" arrives as plain JSON, whole, untouched.
        const QJsonObject answer = outcome->answer.toObject();
        QCOMPARE(answer.value(QStringLiteral("code")).toString(), QStringLiteral("SUCCESS"));
        QCOMPARE(answer.value(QStringLiteral("dt")).toArray(), (QJsonArray{parameters, 10001}));
        QVERIFY(!answer.contains(QStringLiteral("m5")));
    }

    void failuresAreJudged_data() {
        QTest::addColumn<StandinFault>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("code");
        QTest::newRow("service code")
            << StandinFault::answer(QStringLiteral("DIA040"), QStringLiteral("订单已失效"))
            << QStringLiteral("订单已失效") << QStringLiteral("DIA040");
        QTest::newRow("not json") << StandinFault::notJson() << QStringLiteral("数据格式异常") << QString();
        QTest::newRow("not an object")
            << StandinFault::notJson("[]") << QStringLiteral("数据格式异常") << QString();
        QTest::newRow("http error without body")
            << StandinFault::httpError(503) << QStringLiteral("系统异常") << QString();
        QTest::newRow("dropped connection")
            << StandinFault::drop() << QStringLiteral("链接超时!") << QString();
        QTest::newRow("silent server") << StandinFault::silence() << QStringLiteral("链接超时!") << QString();
    }
    void failuresAreJudged() {
        QFETCH(StandinFault, fault);
        QFETCH(QString, message);
        QFETCH(QString, code);
        if (fault.kind == StandinFault::Kind::Silence || fault.delayMs > 0)
            m_net->transport.setTransferTimeout(300);
        m_standin->server().injectFault(kOffersFullPath, fault);
        auto outcome = post();
        QTRY_VERIFY_WITH_TIMEOUT(outcome->finished(), 3000);
        QVERIFY(outcome->failed());
        QCOMPARE(outcome->message, message);
        QCOMPARE(outcome->code, code);
        QVERIFY(m_net->users.currentUser());
    }

    void expiredTokenSignsOutBeforeFailure() {
        m_net->users.setCurrentUser(MLUserModel{QStringLiteral("revoked")});
        QStringList events;
        QObject observer;
        ml::test::recordLogouts(observer, events);
        auto outcome = post();
        outcome->events = &events;
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(events, QStringList({QStringLiteral("logout"), QStringLiteral("failure")}));
        QCOMPARE(outcome->code, QStringLiteral("DIA005"));
        QVERIFY(!m_net->users.currentUser());
    }

    void completionForDestroyedContextIsDropped() {
        m_standin->server().injectFault(kOffersFullPath, StandinFault::delay(100));
        auto page = std::make_unique<QObject>();
        auto outcome = RequestOutcome::make();
        m_net->manager.postUrl(kOffers, {}, ml::test::onAnswer(outcome), ml::test::onFailure(outcome),
                               page.get());
        QSignalSpy finished(m_net->transport.network(), &QNetworkAccessManager::finished);
        page.reset();
        QTRY_COMPARE(finished.count(), 1);
        QCoreApplication::processEvents();
        QVERIFY(!outcome->finished());
    }
};

ML_TEST_MAIN(TestRechargeRequestManager)
#include "tst_rechargerequestmanager.moc"
