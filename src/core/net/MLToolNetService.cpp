#include "core/net/MLToolNetService.h"

#include "core/net/MLNetRequestManager.h"

MLToolNetService &MLToolNetService::shareService() {
    static MLToolNetService service(MLNetRequestManager::sharedService());
    return service;
}

MLToolNetService::MLToolNetService(MLNetRequestManager &requests)
    : m_requests(requests) {}

void MLToolNetService::requireModel(const QString &path, const QString &params, ModelBlock success,
                                    MLFailureBlock failure, QObject *context) {
    m_requests.postUrl(path, params,
                       MLNetRequestManager::decryptedModel<MLToolAdvancedModel>(std::move(success), failure),
                       failure, context);
}

void MLToolNetService::ml_requireGetXunFeiSinUrl(const QString &path, const QString &params,
                                                 ModelBlock success, MLFailureBlock failure,
                                                 QObject *context) {
    requireModel(path, params, std::move(success), std::move(failure), context);
}

void MLToolNetService::ml_requireKeepupUrl(const QString &path, const QString &params, MLAnswerBlock success,
                                           MLFailureBlock failure, QObject *context) {
    m_requests.postUrl(path, params, std::move(success), std::move(failure), context);
}

void MLToolNetService::ml_requireGetTxtTranslateAuthUrl(const QString &path, const QString &params,
                                                        ModelBlock success, MLFailureBlock failure,
                                                        QObject *context) {
    requireModel(path, params, std::move(success), std::move(failure), context);
}
