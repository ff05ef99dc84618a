#pragma once

#include "core/net/MLContextGuard.h"
#include "core/net/MLRequestBlocks.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class MLHttpTransport;
class MLUserManager;

// The client of the service API: POSTs an envelope to the API base URL plus a path and judges the
// answer (see MLAnswerJudge). Both blocks run on the main thread; no progress overlay, no retry.
class MLNetRequestManager final : public QObject {
    Q_OBJECT
public:
    // The application's client, made on first use.
    static MLNetRequestManager &sharedService();

    MLNetRequestManager(MLHttpTransport &transport, MLUserManager &users, QObject *parent = nullptr);

    // POSTs `parameters` (the envelope text of MLEncryptOperation; empty is sent as "{}") to the API
    // base URL followed by `path`, with the standard header fields. `success` gets the whole answer
    // object ("dt" still encrypted); `failure` gets a message and the service's code (empty for
    // transport and format failures). Both are dropped when `context` is destroyed before the answer;
    // a sign-out ("DIA005") happens regardless. Callable from any thread.
    void postUrl(const QString &path, const QString &parameters, MLAnswerBlock success,
                 MLFailureBlock failure, QObject *context);
    // The same with the envelope as the bytes that go on the wire (MLEncryptOperation::envelopeBytes).
    void postEnvelope(const QString &path, const QByteArray &envelope, MLAnswerBlock success,
                      MLFailureBlock failure, QObject *context);

private:
    void send(const QString &path, const QByteArray &body, MLAnswerBlock success, MLFailureBlock failure,
              MLContextGuard guard);

    MLHttpTransport &m_transport;
    MLUserManager &m_users;
};
