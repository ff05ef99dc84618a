#pragma once

#include "core/net/MLRequestClient.h"

#include <QString>

// The client of the service API: POSTs an envelope to the API base URL plus a path and judges the
// answer with its digest (see MLAnswerJudge). Both blocks run on the main thread; no progress
// overlay, no retry.
class MLNetRequestManager final : public MLRequestClient {
    Q_OBJECT
public:
    using MLRequestClient::MLRequestClient;

    // The application's client, made on first use.
    static MLNetRequestManager &sharedService();

    // POSTs `parameters` (the envelope text of MLEncryptOperation; empty is sent as "{}") to the API
    // base URL followed by `path`, with the standard header fields. `success` gets the whole answer
    // object ("dt" still encrypted); `failure` gets a message and the service's code (empty for
    // transport and format failures). Both are dropped when `context` is destroyed before the answer;
    // a sign-out ("DIA005") happens regardless. Callable from any thread.
    void postUrl(const QString &path, const QString &parameters, MLAnswerBlock success,
                 MLFailureBlock failure, QObject *context);
};
