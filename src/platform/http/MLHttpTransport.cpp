#include "platform/http/MLHttpTransport.h"

#include "platform/http/MLOneShotBody.h"
#include "platform/kit/MLAppShared.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {
// Logged with the service client ("ml.net").
Q_LOGGING_CATEGORY(lcHttp, "ml.net")
} // namespace

MLHttpTransport &MLHttpTransport::shared() {
    return mlAppShared<MLHttpTransport>(
        [] { qCWarning(lcHttp) << "the shared transport was first used off the main thread"; });
}

MLHttpTransport::MLHttpTransport(QNetworkAccessManager *network, QObject *parent)
    : QObject(parent)
    , m_network(network ? network : new QNetworkAccessManager(this)) {}

MLHttpTransport::~MLHttpTransport() = default;

void MLHttpTransport::post(QNetworkRequest request, const QByteArray &body, const QObject *receiver,
                           Completion completion) {
    Q_ASSERT(QThread::currentThread() == thread());
    request.setTransferTimeout(m_transferTimeout);
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    auto *device = new MLOneShotBody(body);
    QNetworkReply *reply = m_network->post(request, device);
    device->setParent(reply);
    watch(reply, receiver, std::move(completion));
}

void MLHttpTransport::watch(QNetworkReply *reply, const QObject *receiver, Completion completion) {
    // The reply goes whatever happens to the receiver.
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);

    // The overall deadline. Qt's transfer timeout only notices silence, so a server that sends a byte
    // now and then would hold the request for ever. While the body is still going out the deadline
    // starts again with each piece sent.
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [reply] {
        qCInfo(lcHttp) << reply->url().path() << "passed its deadline";
        reply->abort();
    });
    deadline->start(m_transferTimeout);
    connect(reply, &QNetworkReply::uploadProgress, deadline, [deadline](qint64 sent, qint64 total) {
        if (sent > 0 && sent <= total)
            deadline->start();
    });

    // The size cap: a declared length over the cap, or more bytes than the cap, end the request.
    const qint64 maximum = m_maximumBodyBytes;
    auto tooLarge = std::make_shared<bool>(false);
    const auto checkSize = [reply, maximum, tooLarge] {
        const QVariant declared = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((declared.isValid() && declared.toLongLong() > maximum) || reply->bytesAvailable() > maximum) {
            *tooLarge = true;
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, checkSize);
    connect(reply, &QNetworkReply::readyRead, reply, checkSize);

    connect(reply, &QNetworkReply::finished, receiver,
            [reply, maximum, tooLarge, completion = std::move(completion)] {
                Answer answer;
                answer.error = reply->error();
                answer.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                answer.tooLarge = *tooLarge;
                // What has arrived, never more than the cap (reading the cap itself would reserve it).
                if (reply->isOpen())
                    answer.body = reply->read(qMin(maximum, reply->bytesAvailable()));
                if (answer.tooLarge)
                    qCWarning(lcHttp) << reply->url().path() << "answered more than" << maximum << "bytes";
                else if (answer.error != QNetworkReply::NoError)
                    qCInfo(lcHttp) << reply->url().path() << "failed:" << answer.error << answer.httpStatus
                                   << reply->errorString();
                completion(answer);
            });
}

// The mapping of QNetworkReply errors. An answer whose status line arrived (HTTP status > 0) is an HTTP
// answer whatever error Qt derives from its status (400 becomes ProtocolInvalidOperationError, 404
// ContentNotFoundError, 5xx the server errors); its body may still carry a service answer. Without a
// status line, every error is a connection failure. These are connection failures in any case:
// - 1..99 network layer: refused, remote closed, host not found, timeout, cancelled (our transfer
//   timeout aborts the reply, also in the middle of a body), TLS handshake, temporary failure;
// - 101..199 proxy errors and redirect errors;
// - ContentReSendError: the connection closed before an answer and the body may not be sent again.
bool MLHttpTransport::isConnectionError(QNetworkReply::NetworkError error) {
    const int e = static_cast<int>(error);
    return (e > QNetworkReply::NoError && e < QNetworkReply::ContentAccessDenied) ||
           error == QNetworkReply::ContentReSendError;
}
