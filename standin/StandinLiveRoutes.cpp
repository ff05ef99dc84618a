#include "StandinLiveRoutes.h"

#include "StandinServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

namespace {

const QString kCostTypeNormal = QStringLiteral("7");
const QString kCostTypeLowPrice = QStringLiteral("8");

QString param(const StandinRequest &request, const char *name) {
    const QJsonValue value = request.params.value(QLatin1String(name));
    return value.isDouble() ? QString::number(value.toInteger()) : value.toString();
}

QString accountOf(const StandinRequest &request) {
    return QString::number(request.consumerId);
}

StandinReply outcomeReply(const StandinLiveMeter::Outcome &outcome) {
    return outcome.ok() ? StandinReply::success() : StandinReply::failure(outcome.code, outcome.message);
}

QByteArray refusal(int code, const QString &message) {
    const QJsonObject error{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}};
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), error}}).toJson(QJsonDocument::Compact);
}

} // namespace

StandinLiveRoutes::StandinLiveRoutes(StandinServer &server)
    : QObject(&server)
    , m_server(server) {
    setObjectName(QStringLiteral("StandinLiveRoutes"));
}

void StandinLiveRoutes::install(StandinServer &server) {
    auto *routes = new StandinLiveRoutes(server);
    routes->installRoutes();
}

StandinLiveRoutes &StandinLiveRoutes::of(StandinServer &server) {
    auto *routes = server.findChild<StandinLiveRoutes *>(QString(), Qt::FindDirectChildrenOnly);
    Q_ASSERT(routes);
    return *routes;
}

void StandinLiveRoutes::setSpeechCredentials(const QString &key, const QString &token,
                                             const QString &region) {
    m_speechKey = key;
    m_speechToken = token;
    m_speechRegion = region;
}

QString StandinLiveRoutes::translation(const QString &text, const QString &to) const {
    // The sentences the speech stand-in speaks, in every language it knows them in.
    const QJsonArray sentences = m_server.state()
                                     .fixture(QStringLiteral("speech_sentences"))
                                     .toObject()
                                     .value(QStringLiteral("sentences"))
                                     .toArray();
    const QString primary = to.section(QLatin1Char('-'), 0, 0);
    for (const QJsonValue &value : sentences) {
        const QJsonObject sentence = value.toObject();
        bool matches = false;
        for (auto it = sentence.begin(); it != sentence.end() && !matches; ++it)
            matches = it.value().toString() == text;
        if (!matches)
            continue;
        if (sentence.contains(to))
            return sentence.value(to).toString();
        for (auto it = sentence.begin(); it != sentence.end(); ++it) {
            if (it.key().section(QLatin1Char('-'), 0, 0) == primary)
                return it.value().toString();
        }
    }
    return QStringLiteral("[%1] %2").arg(to, text);
}

void StandinLiveRoutes::installRoutes() {
    m_server.route(QStringLiteral("/signature/getKeepupSin"), [this](const StandinRequest &request) {
        const QString costType = param(request, "costType");
        const QString from = param(request, "from");
        const QString to = param(request, "to");
        if ((costType != kCostTypeNormal && costType != kCostTypeLowPrice) || from.isEmpty() ||
            to.isEmpty() || param(request, "osType").isEmpty())
            return m_server.state().error(QStringLiteral("badParameter"));
        const QString sin = m_meter.issueKeepupSin(accountOf(request), costType, from, to);
        return StandinReply::success(QJsonObject{{QStringLiteral("keepupSin"), sin}});
    });

    const auto credentials = [this](const QString &costType) {
        return [this, costType](const StandinRequest &request) {
            const auto grant =
                m_meter.redeemKeepupSin(accountOf(request), param(request, "keepupSin"), costType);
            if (!grant || param(request, "from") != grant->from || param(request, "to") != grant->to)
                return m_server.state().error(QStringLiteral("badParameter"));
            QUrl translateUrl = m_server.baseUrl();
            translateUrl.setPath(QLatin1String(kTranslatePath));
            translateUrl.setQuery(
                QUrlQuery{{QStringLiteral("from"), grant->from}, {QStringLiteral("to"), grant->to}});
            const bool lowPrice = costType == kCostTypeLowPrice;
            return StandinReply::success(QJsonObject{
                {QStringLiteral("keepupSin"), param(request, "keepupSin")},
                {QStringLiteral("keepupKey"), grant->keepupKey},
                {QStringLiteral("wssUrl"), QString()},
                {QStringLiteral("microsoftAccessKey"), m_speechKey},
                {QStringLiteral("authToken"), m_speechToken},
                {QStringLiteral("microsoftAppId"), m_speechRegion},
                {QStringLiteral("txtTranslateUrl"), lowPrice ? translateUrl.toString() : QString()},
                {QStringLiteral("txtTranslateAuth"), lowPrice ? grant->txtTranslateAuth : QString()},
            });
        };
    };
    m_server.route(QStringLiteral("/signature/getMicrosoftSin7"), credentials(kCostTypeNormal));
    m_server.route(QStringLiteral("/signature/getMicrosoftSin8"), credentials(kCostTypeLowPrice));

    m_server.route(QStringLiteral("/cost/keepup"), [this](const StandinRequest &request) {
        if (param(request, "operateType") != QLatin1String("1") || param(request, "timestamp").isEmpty())
            return m_server.state().error(QStringLiteral("badParameter"));
        return outcomeReply(m_meter.keepup(param(request, "keepupKey")));
    });
    m_server.route(QStringLiteral("/cost/endTranslate"), [this](const StandinRequest &request) {
        return outcomeReply(m_meter.endTranslate(param(request, "keepupKey")));
    });

    m_server.route(QStringLiteral("/cost/getTxtTranslateAuth"), [this](const StandinRequest &request) {
        const auto value = m_meter.renewTranslateAuth(param(request, "keepupKey"), param(request, "errMsg"));
        if (!value)
            return StandinReply::failure(QLatin1String(StandinLiveMeter::kInvalid),
                                         QStringLiteral("无效的使用凭证"));
        return StandinReply::success(QJsonObject{{QStringLiteral("txtTranslateAuth"), *value}});
    });

    m_server.route(
        QLatin1String(kTranslatePath),
        [this](const StandinRequest &request) {
            ++m_translateRequests;
            const QByteArray json = QByteArrayLiteral("application/json; charset=utf-8");
            if (request.method != "POST")
                return StandinReply::raw(refusal(405000, QStringLiteral("Method not allowed")), json, 405);
            if (!m_meter.isTranslateAuthValid(QString::fromUtf8(request.header("authorization"))))
                return StandinReply::raw(
                    refusal(401000, QStringLiteral("The request is not authorized because credentials are "
                                                   "missing, invalid or expired.")),
                    json, 401);
            const QString to = request.query.queryItemValue(QStringLiteral("to"));
            const QJsonDocument body = QJsonDocument::fromJson(request.body);
            if (to.isEmpty() || !body.isArray())
                return StandinReply::raw(refusal(400000, QStringLiteral("The request body is not valid.")),
                                         json, 400);
            QJsonArray answer;
            for (const QJsonValue &element : body.array()) {
                const QString text = element.toObject().value(QStringLiteral("text")).toString();
                const QJsonObject translated{{QStringLiteral("text"), translation(text, to)},
                                             {QStringLiteral("to"), to}};
                answer.append(QJsonObject{{QStringLiteral("translations"), QJsonArray{translated}}});
            }
            return StandinReply::raw(QJsonDocument(answer).toJson(QJsonDocument::Compact), json);
        },
        StandinRouteKind::Raw, false);
}
