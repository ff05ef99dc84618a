#pragma once

#include "core/net/MLRequestClient.h"

#include <QJsonObject>
#include <QString>

// The client of the payment origin: plain JSON bodies and answers, no envelope, no digest. Both blocks
// run on the main thread; no progress overlay, no retry.
class MLNetRequestRechargeManager final : public MLRequestClient {
    Q_OBJECT
public:
    using MLRequestClient::MLRequestClient;

    static MLNetRequestRechargeManager &sharedService();

    // POSTs `parameters` as a plain JSON object (an empty one when none are given) to the payment base
    // URL followed by `path`, with the standard header fields. A "SUCCESS" answer goes whole to
    // `success` ("dt" is plain JSON); "DIA005" signs out first; other codes and the transport and
    // format failures go to `failure` as with MLNetRequestManager. Blocks are dropped when `context`
    // is destroyed first. Callable from any thread.
    void postUrl(const QString &path, const QJsonObject &parameters, MLAnswerBlock success,
                 MLFailureBlock failure, QObject *context);
};
