#include "core/net/MLNetRequestManager.h"

#include "core/net/MLServiceOrigins.h"

MLNetRequestManager &MLNetRequestManager::sharedService() {
    return shared<MLNetRequestManager>();
}

void MLNetRequestManager::postUrl(const QString &path, const QString &parameters, MLAnswerBlock success,
                                  MLFailureBlock failure, QObject *context) {
    post({.origin = &MLServiceOrigins::apiBaseUrl,
          .path = path,
          .body = parameters.isEmpty() ? QByteArrayLiteral("{}") : parameters.toUtf8()},
         MLAnswerJudge::Digest::Required, std::move(success), std::move(failure), context);
}
