#include "core/net/MLMicrosoftNetRequestManager.h"

#include "core/net/MLMultipartFormData.h"
#include "core/net/MLServiceOrigins.h"
#include "core/net/MLServiceText.h"

#include <QJsonDocument>

MLMicrosoftNetRequestManager &MLMicrosoftNetRequestManager::sharedService() {
    return shared<MLMicrosoftNetRequestManager>();
}

void MLMicrosoftNetRequestManager::postUrl(const QString &url, const QByteArray &parameters,
                                           const QString &authorization, ValueBlock success,
                                           MLFailureBlock failure, QObject *context) {
    // Not the service: its answers are plain JSON, judged here.
    post({.path = url, .body = parameters, .authorization = authorization.toUtf8()}, context,
         [success = std::move(success), failure = std::move(failure)](const MLHttpTransport::Answer &answer,
                                                                      const MLContextGuard &guard) {
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
                                               : MLServiceText::forSending(answer.body),
                         QStringLiteral("2"));
         });
}

void MLMicrosoftNetRequestManager::upLoadDataWithUrlStr(const QString &path, const QVariantMap &formFields,
                                                        const QByteArray &data, MLAnswerBlock success,
                                                        MLFailureBlock failure, QObject *context) {
    MLMultipartFormData form;
    for (auto it = formFields.cbegin(); it != formFields.cend(); ++it)
        form.addField(it.key(), it.value().toString());
    form.addFile(QStringLiteral("file"), formFields.value(QStringLiteral("fileName")).toString(),
                 QByteArrayLiteral("multipart/form-data"), data);
    const QByteArray body = form.body(); // may choose another boundary, so before the content type
    post({.origin = &MLServiceOrigins::apiBaseUrl,
          .path = path,
          .contentType = form.contentType(),
          .body = body},
         MLAnswerJudge::Digest::Skipped, std::move(success), std::move(failure), context);
}
