#include "core/net/MLRequestClient.h"

#include "core/security/SecurityCore.h"

#include "core/net/MLRequestHeaderFields.h"
#include "core/session/MLUserManager.h"

#include <QNetworkRequest>

MLRequestClient::MLRequestClient(MLHttpTransport &transport, MLUserManager &users, QObject *parent)
    : QObject(parent)
    , m_transport(transport)
    , m_users(users) {}

void MLRequestClient::post(Call call, MLAnswerJudge::Digest digest, MLAnswerBlock success,
                           MLFailureBlock failure, QObject *context) {
    // A sealed request cannot be made without the cipher: nothing is sent and the user is told why,
    // rather than shown whatever the service says about an empty envelope.
    if (digest == MLAnswerJudge::Digest::Required) {
        if (const QString notice = SecurityCore::unavailableNotice(); !notice.isEmpty()) {
            MLAnswerJudge::Verdict verdict;
            verdict.message = notice;
            const MLContextGuard guard(context);
            QMetaObject::invokeMethod(
                this,
                [this, verdict, guard, success = std::move(success), failure = std::move(failure)] {
                    MLAnswerJudge::deliver(verdict, m_users, guard, success, failure);
                },
                Qt::QueuedConnection);
            return;
        }
    }
    post(std::move(call), context,
         [this, digest, success = std::move(success),
          failure = std::move(failure)](const MLHttpTransport::Answer &answer, const MLContextGuard &guard) {
             MLAnswerJudge::deliver(MLAnswerJudge::judge(answer, digest), m_users, guard, success, failure);
         });
}

void MLRequestClient::post(Call call, QObject *context, AnswerHandler handler) {
    const MLContextGuard guard(context);
    runOnThreadOf(this, [this, call = std::move(call), handler = std::move(handler), guard] {
        QNetworkRequest request(QUrl(call.origin ? call.origin() + call.path : call.path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, call.contentType);
        if (call.authorization) {
            QByteArray authorization = *call.authorization;
            authorization.replace('\r', "").replace('\n', "");
            request.setRawHeader("authorization", authorization);
        } else {
            MLRequestHeaderFields::apply(request, m_users);
        }
        m_transport.post(request, call.body, this,
                         [handler, guard](const MLHttpTransport::Answer &answer) { handler(answer, guard); });
    });
}
