#include "core/net/MLMicrosoftNetRequestManager.h"

#include "core/net/MLAnswerJudge.h"
#include "core/net/MLMultipartFormData.h"
#include "core/net/MLRequestHeaderFields.h"
#include "core/net/MLServiceOrigins.h"
#include "core/net/MLServiceText.h"
#include "core/session/MLUserManager.h"
#include "platform/http/MLHttpTransport.h"

#include <QJsonDocument>
#include <QThread>

MLMicrosoftNetRequestManager &MLMicrosoftNetRequestManager::sharedService() {
    static MLMicrosoftNetRequestManager *manager = new MLMicrosoftNetRequestManager(
        MLHttpTransport::shared(), MLUserManager::sharedManager(), &MLHttpTransport::shared());
    return *manager;
}

MLMicrosoftNetRequestManager::MLMicrosoftNetRequestManager(MLHttpTransport &transport, MLUserManager &users,
                                                           QObject *parent)
    : QObject(parent)
    , m_transport(transport)
    , m_users(users) {}

void MLMicrosoftNetRequestManager::postUrl(const QString &url, const QByteArray &parameters,
                                           const QString &authorization, ValueBlock success,
                                           MLFailureBlock failure, QObject *context) {
    MLContextGuard guard(context);
    runOnThreadOf(this, [this, url, parameters, authorization, success = std::move(success),
                         failure = std::move(failure),
                         guard] { sendPost(url, parameters, authorization, success, failure, guard); });
}

void MLMicrosoftNetRequestManager::sendPost(const QString &url, const QByteArray &parameters,
                                            const QString &authorization, ValueBlock success,
                                            MLFailureBlock failure, MLContextGuard guard) {
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QByteArray authorizationValue = authorization.toUtf8();
    authorizationValue.replace('\r', "").replace('\n', "");
    request.setRawHeader("authorization", authorizationValue);
    m_transport.post(
        request, parameters, this,
        [success = std::move(success), failure = std::move(failure),
         guard](const MLHttpTransport::Answer &answer) {
            if (!guard.isAlive())
                return;
            if (answer.isConnectionFailure() && !answer.tooLarge) {
                if (failure)
                    failure(QStringLiteral("链接超时!"), QStringLiteral("1"));
                return;
            }
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(answer.body, &error);
            if (!answer.tooLarge && !answer.isHttpFailure() && error.error == QJsonParseError::NoError) {
                if (success)
                    success(document.isArray() ? QJsonValue(document.array())
                                               : QJsonValue(document.object()));
                return;
            }
            if (failure)
                failure(answer.body.isEmpty() ? QStringLiteral("系统异常-找客服查看")
                                              : MLServiceText::forDisplay(QString::fromUtf8(answer.body)),
                        QStringLiteral("2"));
        });
}

void MLMicrosoftNetRequestManager::upLoadDataWithUrlStr(const QString &path, const QVariantMap &formFields,
                                                        const QByteArray &data, MLAnswerBlock success,
                                                        MLFailureBlock failure, QObject *context) {
    MLContextGuard guard(context);
    runOnThreadOf(this,
                  [this, path, formFields, data, success = std::move(success), failure = std::move(failure),
                   guard] { sendUpload(path, formFields, data, success, failure, guard); });
}

void MLMicrosoftNetRequestManager::sendUpload(const QString &path, const QVariantMap &formFields,
                                              const QByteArray &data, MLAnswerBlock success,
                                              MLFailureBlock failure, MLContextGuard guard) {
    MLMultipartFormData form;
    for (auto it = formFields.cbegin(); it != formFields.cend(); ++it)
        form.addField(it.key(), it.value().toString());
    form.addFile(QStringLiteral("file"), formFields.value(QStringLiteral("fileName")).toString(),
                 QByteArrayLiteral("multipart/form-data"), data);

    QNetworkRequest request(QUrl(MLServiceOrigins::apiBaseUrl() + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, form.contentType());
    MLRequestHeaderFields::apply(request, m_users);
    m_transport.post(request, form.body(), this,
                     [this, success = std::move(success), failure = std::move(failure),
                      guard](const MLHttpTransport::Answer &answer) {
                         MLAnswerJudge::deliver(MLAnswerJudge::judge(answer, MLAnswerJudge::Digest::Skipped),
                                                m_users, guard, success, failure);
                     });
}
