#include "core/net/MLEncryptOperation.h"
#include "core/net/MLLoginNetService.h"
#include "core/net/MLNetRequestManager.h"
#include "core/net/MLToolNetService.h"
#include "core/security/SecurityCore.h"
#include "support/MLTestMain.h"
#include "support/NetTestSupport.h"
#include "support/RequestOutcome.h"
#include "support/StandinFixture.h"

#include <QJsonArray>

#include <memory>
#include <optional>

using ml::test::RequestOutcome;

namespace {
const QString kCredentials = QStringLiteral("/test/credentials");
const QString kLanguages = QStringLiteral("/transLangue/getLanguageList");
const QString kSwitch = QStringLiteral("/transLangue/switchLanguage");

const QJsonObject kCredentialAnswer{
    {QStringLiteral("keepupSin"), QStringLiteral("sin-1")},
    {QStringLiteral("wssUrl"), QStringLiteral("wss://speech.example/1")},
    {QStringLiteral("keepupKey"), QStringLiteral("key-1")},
    {QStringLiteral("microsoftAccessKey"), QStringLiteral("")},
    {QStringLiteral("authToken"), QStringLiteral("token-1")},
    {QStringLiteral("microsoftAppId"), QStringLiteral("eastasia")},
    {QStringLiteral("txtTranslateUrl"), QStringLiteral("https://translate.example/t")},
    {QStringLiteral("txtTranslateAuth"), 123456}, // a number reads as its decimal text
};
} // namespace

class TestNetServices : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    std::unique_ptr<ml::test::NetClientStack<MLNetRequestManager>> m_net;
    QJsonValue m_credentialPayload;

    struct LanguageOutcome {
        std::optional<QList<MLMineLanguageListModel>> list;
        QString message;
        QString code;
        bool finished() const { return list.has_value() || !code.isEmpty() || !message.isEmpty(); }
    };

    std::shared_ptr<LanguageOutcome> languages(const QJsonObject &parameters) {
        auto outcome = std::make_shared<LanguageOutcome>();
        MLLoginNetService service(m_net->manager);
        service.ml_requireTransLangueGetLanguageListUrl(
            kLanguages, MLEncryptOperation::returnRequestJsonToDic(parameters),
            [outcome](const QList<MLMineLanguageListModel> &list) { outcome->list = list; },
            [outcome](const QString &message, const QString &code) {
                outcome->message = message;
                outcome->code = code;
            },
            this);
        return outcome;
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
        m_standin->server().route(kCredentials, [this](const StandinRequest &) {
            return StandinReply::success(m_credentialPayload);
        });
        m_net = std::make_unique<ml::test::NetClientStack<MLNetRequestManager>>(*m_standin);
    }

    void credentialAnswersMapIntoTheModel_data() {
        QTest::addColumn<bool>("authorisation");
        QTest::newRow("speech credentials") << false;
        QTest::newRow("text-translation authorisation") << true;
    }
    void credentialAnswersMapIntoTheModel() {
        QFETCH(bool, authorisation);
        m_credentialPayload = kCredentialAnswer;
        MLToolNetService service(m_net->manager);
        std::optional<MLToolAdvancedModel> model;
        auto failure = RequestOutcome::make();
        auto success = [&](const MLToolAdvancedModel &m) { model = m; };
        const QString params =
            MLEncryptOperation::returnRequestJsonToDic(QJsonObject{{QStringLiteral("from"), 1}});
        if (authorisation)
            service.ml_requireGetTxtTranslateAuthUrl(kCredentials, params, success,
                                                     ml::test::onFailure(failure), this);
        else
            service.ml_requireGetXunFeiSinUrl(kCredentials, params, success, ml::test::onFailure(failure),
                                              this);
        QTRY_VERIFY(model.has_value());
        QCOMPARE(model->keepupSin, QStringLiteral("sin-1"));
        QCOMPARE(model->wssUrl, QStringLiteral("wss://speech.example/1"));
        QCOMPARE(model->keepupKey, QStringLiteral("key-1"));
        QCOMPARE(model->microsoftAccessKey, QString());
        QCOMPARE(model->authToken, QStringLiteral("token-1"));
        QCOMPARE(model->microsoftAppId, QStringLiteral("eastasia"));
        QCOMPARE(model->txtTranslateUrl, QStringLiteral("https://translate.example/t"));
        QCOMPARE(model->txtTranslateAuth, QStringLiteral("123456"));
        QVERIFY(!failure->finished());
    }

    void credentialPayloadThatIsNoObjectFails() {
        m_credentialPayload = QJsonArray{1, 2};
        MLToolNetService service(m_net->manager);
        auto outcome = RequestOutcome::make();
        service.ml_requireGetXunFeiSinUrl(
            kCredentials, {}, [&](const MLToolAdvancedModel &) { ++outcome->successCalls; },
            ml::test::onFailure(outcome), this);
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(outcome->message, QStringLiteral("数据格式异常"));
        QCOMPARE(outcome->code, QString());
    }

    void failuresPassUnchanged() {
        m_standin->server().injectFault(
            kCredentials, StandinFault::answer(QStringLiteral("DIA004"), QStringLiteral("时长不足")));
        MLToolNetService service(m_net->manager);
        auto outcome = RequestOutcome::make();
        service.ml_requireGetXunFeiSinUrl(
            kCredentials, {}, [&](const MLToolAdvancedModel &) { ++outcome->successCalls; },
            ml::test::onFailure(outcome), this);
        QTRY_VERIFY(outcome->finished());
        QCOMPARE(outcome->message, QStringLiteral("时长不足"));
        QCOMPARE(outcome->code, QStringLiteral("DIA004"));
    }

    void keepupGivesTheWholeAnswerUndecrypted() {
        m_credentialPayload = QJsonObject{{QStringLiteral("ok"), true}};
        MLToolNetService service(m_net->manager);
        auto outcome = RequestOutcome::make();
        service.ml_requireKeepupUrl(kCredentials, {}, ml::test::onAnswer(outcome),
                                    ml::test::onFailure(outcome), this);
        QTRY_VERIFY(outcome->finished());
        const QJsonObject answer = outcome->answer.toObject();
        QCOMPARE(answer.value(QStringLiteral("code")).toString(), QStringLiteral("SUCCESS"));
        QCOMPARE(SecurityCore::decryptString(answer.value(QStringLiteral("dt"))),
                 QStringLiteral(R"({"ok":true})"));
    }

    void languageListsForSourceAndTarget_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("chineseCode");
        QTest::addColumn<QString>("englishCode");
        QTest::newRow("source") << 11 << QStringLiteral("zh-CN") << QStringLiteral("en-US");
        QTest::newRow("target") << 12 << QStringLiteral("zh-Hans") << QStringLiteral("en");
    }
    void languageListsForSourceAndTarget() {
        QFETCH(int, type);
        QFETCH(QString, chineseCode);
        QFETCH(QString, englishCode);
        auto outcome = languages({{QStringLiteral("languageType"), type}});
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->list);
        const QList<MLMineLanguageListModel> &list = *outcome->list;
        QVERIFY(list.size() >= 30);
        QCOMPARE(list.first(), (MLMineLanguageListModel{chineseCode, QStringLiteral("Z"),
                                                        QStringLiteral("中文（普通话）")}));
        const auto english = std::find_if(list.cbegin(), list.cend(), [](const auto &l) {
            return l.languageName == QStringLiteral("英语");
        });
        QVERIFY(english != list.cend());
        QCOMPARE(english->languageCode, englishCode);
        for (const MLMineLanguageListModel &language : list) {
            QVERIFY(!language.languageCode.isEmpty());
            QCOMPARE(language.languageInitial.size(), 1);
        }
    }

    void unknownLanguageTypeIsTheServiceError() {
        auto outcome = languages({{QStringLiteral("languageType"), 13}});
        QTRY_VERIFY(outcome->finished());
        QVERIFY(!outcome->list);
        QCOMPARE(outcome->code, QStringLiteral("DIA007"));
        QCOMPARE(outcome->message, QStringLiteral("请求参数错误"));
    }

    void switchSwapsThePairAcrossLists_data() {
        QTest::addColumn<QJsonObject>("pair");
        QTest::addColumn<QJsonObject>("swapped");
        QTest::newRow("known languages")
            << QJsonObject{{QStringLiteral("fromCode"), QStringLiteral("zh-CN")},
                           {QStringLiteral("fromCodeName"), QStringLiteral("中文（普通话）")},
                           {QStringLiteral("toCode"), QStringLiteral("en")},
                           {QStringLiteral("toCodeName"), QStringLiteral("英语")}}
            << QJsonObject{{QStringLiteral("fromCode"), QStringLiteral("en-US")},
                           {QStringLiteral("fromCodeName"), QStringLiteral("英语")},
                           {QStringLiteral("toCode"), QStringLiteral("zh-Hans")},
                           {QStringLiteral("toCodeName"), QStringLiteral("中文（普通话）")}};
        QTest::newRow("unknown languages are echoed swapped")
            << QJsonObject{{QStringLiteral("fromCode"), QStringLiteral("xx")},
                           {QStringLiteral("fromCodeName"), QStringLiteral("甲")},
                           {QStringLiteral("toCode"), QStringLiteral("yy")},
                           {QStringLiteral("toCodeName"), QStringLiteral("乙")}}
            << QJsonObject{{QStringLiteral("fromCode"), QStringLiteral("yy")},
                           {QStringLiteral("fromCodeName"), QStringLiteral("乙")},
                           {QStringLiteral("toCode"), QStringLiteral("xx")},
                           {QStringLiteral("toCodeName"), QStringLiteral("甲")}};
    }
    void switchSwapsThePairAcrossLists() {
        QFETCH(QJsonObject, pair);
        QFETCH(QJsonObject, swapped);
        MLLoginNetService service(m_net->manager);
        auto outcome = RequestOutcome::make();
        service.ml_requireSwitchLanguageUrl(kSwitch, MLEncryptOperation::returnRequestJsonToDic(pair),
                                            ml::test::onAnswer(outcome), ml::test::onFailure(outcome), this);
        QTRY_VERIFY(outcome->finished());
        QVERIFY(outcome->succeeded());
        QCOMPARE(outcome->answer.toObject(), swapped);
    }

    void wrapperDropsAnswerForDestroyedContext() {
        MLToolNetService service(m_net->manager);
        m_credentialPayload = kCredentialAnswer;
        m_standin->server().injectFault(kCredentials, StandinFault::delay(100));
        QSignalSpy finished(m_net->transport.network(), &QNetworkAccessManager::finished);
        int calls = 0;
        auto page = std::make_unique<QObject>();
        service.ml_requireGetXunFeiSinUrl(
            kCredentials, {}, [&](const MLToolAdvancedModel &) { ++calls; },
            [&](const QString &, const QString &) { ++calls; }, page.get());
        page.reset();
        QTRY_COMPARE(finished.count(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(calls, 0);
    }
};

ML_TEST_MAIN(TestNetServices)
#include "tst_netservices.moc"
