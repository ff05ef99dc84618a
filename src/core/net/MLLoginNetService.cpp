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
    m_requests.postUrl(
        path, params,
        [success = std::move(success), failure](const QJsonObject &answer) {
            const auto object = ml::json::detail::parseObject(
                SecurityCore::decryptString(answer.value(QStringLiteral("dt"))).toUtf8());
            if (!object) {
                if (failure)
                    failure(QStringLiteral("数据格式异常"), QString());
                return;
            }
            if (success)
                success(*object);
        },
        failure, context);
}
