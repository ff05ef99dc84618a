#include "core/net/MLLoginNetService.h"

#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"

MLLoginNetService &MLLoginNetService::shareService() {
    static MLLoginNetService service(MLNetRequestManager::sharedService());
    return service;
}

MLLoginNetService::MLLoginNetService(MLNetRequestManager &requests)
    : m_requests(requests) {}

void MLLoginNetService::ml_requireTransLangueGetLanguageListUrl(const QString &path, const QString &params,
                                                                LanguageListBlock success,
                                                                MLFailureBlock failure, QObject *context) {
    m_requests.postUrl(
        path, params,
        [success = std::move(success)](const QJsonObject &answer) {
            if (success)
                success(ml::json::arrayFromJson<MLMineLanguageListModel>(
                    SecurityCore::decryptString(answer.value(QStringLiteral("dt")))));
        },
        std::move(failure), context);
}

void MLLoginNetService::ml_requireSwitchLanguageUrl(const QString &path, const QString &params,
                                                    MLAnswerBlock success, MLFailureBlock failure,
                                                    QObject *context) {
    m_requests.postUrl(path, params,
                       MLNetRequestManager::decryptedPayload(
                           [](const QString &json) { return ml::json::detail::parseObject(json.toUtf8()); },
                           std::move(success), failure),
                       failure, context);
}
