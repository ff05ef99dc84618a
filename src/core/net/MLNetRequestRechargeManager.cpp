#include "core/net/MLNetRequestRechargeManager.h"

#include "core/net/MLServiceOrigins.h"

#include <QJsonDocument>

MLNetRequestRechargeManager &MLNetRequestRechargeManager::sharedService() {
    return shared<MLNetRequestRechargeManager>();
}

void MLNetRequestRechargeManager::postUrl(const QString &path, const QJsonObject &parameters,
                                          MLAnswerBlock success, MLFailureBlock failure, QObject *context) {
    post({.origin = &MLServiceOrigins::payBaseUrl,
          .path = path,
          .body = QJsonDocument(parameters).toJson(QJsonDocument::Compact)},
         MLAnswerJudge::Digest::Skipped, std::move(success), std::move(failure), context);
}
