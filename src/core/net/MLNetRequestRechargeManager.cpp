#include "core/net/MLNetRequestRechargeManager.h"

#include "core/net/MLAnswerJudge.h"
#include "core/net/MLRequestHeaderFields.h"
#include "core/net/MLServiceOrigins.h"
#include "core/session/MLUserManager.h"
#include "platform/http/MLHttpTransport.h"

#include <QJsonDocument>
#include <QThread>

MLNetRequestRechargeManager &MLNetRequestRechargeManager::sharedService() {
    static MLNetRequestRechargeManager *manager = new MLNetRequestRechargeManager(
        MLHttpTransport::shared(), MLUserManager::sharedManager(), &MLHttpTransport::shared());
    return *manager;
}

MLNetRequestRechargeManager::MLNetRequestRechargeManager(MLHttpTransport &transport, MLUserManager &users,
                                                         QObject *parent)
    : QObject(parent)
    , m_transport(transport)
    , m_users(users) {}

void MLNetRequestRechargeManager::postUrl(const QString &path, const QJsonObject &parameters,
                                          MLAnswerBlock success, MLFailureBlock failure, QObject *context) {
    MLContextGuard guard(context);
    runOnThreadOf(this, [this, path, parameters, success = std::move(success), failure = std::move(failure),
                         guard] { send(path, parameters, success, failure, guard); });
}

void MLNetRequestRechargeManager::send(const QString &path, const QJsonObject &parameters,
                                       MLAnswerBlock success, MLFailureBlock failure, MLContextGuard guard) {
    QNetworkRequest request(QUrl(MLServiceOrigins::payBaseUrl() + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    MLRequestHeaderFields::apply(request, m_users);
    m_transport.post(request, QJsonDocument(parameters).toJson(QJsonDocument::Compact), this,
                     [this, success = std::move(success), failure = std::move(failure),
                      guard](const MLHttpTransport::Answer &answer) {
                         MLAnswerJudge::deliver(MLAnswerJudge::judge(answer, MLAnswerJudge::Digest::Skipped),
                                                m_users, guard, success, failure);
                     });
}
