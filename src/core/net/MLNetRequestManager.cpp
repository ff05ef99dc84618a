#include "core/net/MLNetRequestManager.h"

#include "core/net/MLAnswerJudge.h"
#include "core/net/MLRequestHeaderFields.h"
#include "core/net/MLServiceOrigins.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"
#include "platform/http/MLHttpTransport.h"

#include <QThread>

MLNetRequestManager &MLNetRequestManager::sharedService() {
    static MLNetRequestManager *manager = new MLNetRequestManager(
        MLHttpTransport::shared(), MLUserManager::sharedManager(), &MLHttpTransport::shared());
    return *manager;
}

MLNetRequestManager::MLNetRequestManager(MLHttpTransport &transport, MLUserManager &users, QObject *parent)
    : QObject(parent)
    , m_transport(transport)
    , m_users(users) {}

void MLNetRequestManager::postUrl(const QString &path, const QString &parameters, MLAnswerBlock success,
                                  MLFailureBlock failure, QObject *context) {
    postEnvelope(path, parameters.toUtf8(), std::move(success), std::move(failure), context);
}

void MLNetRequestManager::postEnvelope(const QString &path, const QByteArray &envelope, MLAnswerBlock success,
                                       MLFailureBlock failure, QObject *context) {
    MLContextGuard guard(context);
    runOnThreadOf(this, [this, path, envelope, success = std::move(success), failure = std::move(failure),
                         guard] { send(path, envelope, success, failure, guard); });
}

void MLNetRequestManager::send(const QString &path, const QByteArray &envelope, MLAnswerBlock success,
                               MLFailureBlock failure, MLContextGuard guard) {
    // Without the cipher nothing is sealed: the request is not sent and the user is told why, rather
    // than shown whatever the service says about an empty envelope.
    if (const QString notice = SecurityCore::unavailableNotice(); !notice.isEmpty()) {
        MLAnswerJudge::Verdict verdict;
        verdict.message = notice;
        QMetaObject::invokeMethod(
            this,
            [this, verdict, success = std::move(success), failure = std::move(failure), guard] {
                MLAnswerJudge::deliver(verdict, m_users, guard, success, failure);
            },
            Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(QUrl(MLServiceOrigins::apiBaseUrl() + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    MLRequestHeaderFields::apply(request, m_users);
    const QByteArray body = envelope.isEmpty() ? QByteArrayLiteral("{}") : envelope;
    m_transport.post(request, body, this,
                     [this, success = std::move(success), failure = std::move(failure),
                      guard](const MLHttpTransport::Answer &answer) {
                         MLAnswerJudge::deliver(MLAnswerJudge::judge(answer, MLAnswerJudge::Digest::Required),
                                                m_users, guard, success, failure);
                     });
}
