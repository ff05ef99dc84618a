#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>

#include <functional>

class QNetworkAccessManager;

// The HTTP plumbing under the request managers: one QNetworkAccessManager on the main thread, an overall
// deadline and a cap on the answer's size for every request, and the classification of what came back.
// Completions run on the transport's thread (the main thread for the shared transport).
class MLHttpTransport final : public QObject {
    Q_OBJECT
public:
    // What a finished request left behind.
    struct Answer {
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        int httpStatus = 0;
        QByteArray body;       // at most maximumBodyBytes()
        bool tooLarge = false; // the answer was longer than maximumBodyBytes() and was cut off

        // Nothing usable arrived: the connection could not be made, broke, or timed out.
        bool isConnectionFailure() const {
            return error != QNetworkReply::NoError && (httpStatus == 0 || isConnectionError(error));
        }
        // The server answered with an HTTP error status (4xx/5xx).
        bool isHttpFailure() const { return error != QNetworkReply::NoError && !isConnectionFailure(); }
    };
    using Completion = std::function<void(const Answer &answer)>;

    static constexpr int kDefaultTransferTimeout = 30000;
    static constexpr qint64 kDefaultMaximumBodyBytes = 4 * 1024 * 1024;

    // The application's transport (main thread, shared QNetworkAccessManager).
    static MLHttpTransport &shared();

    // A transport over `network`, or over a QNetworkAccessManager of its own when none is given.
    explicit MLHttpTransport(QNetworkAccessManager *network = nullptr, QObject *parent = nullptr);
    ~MLHttpTransport() override;

    // The overall deadline: milliseconds after which a request that has not finished is aborted and
    // ends as a connection failure, however steadily bytes trickle in. It runs from the moment the
    // request body has been sent, so a large upload that keeps moving is not cut off.
    int transferTimeout() const { return m_transferTimeout; }
    void setTransferTimeout(int milliseconds) { m_transferTimeout = milliseconds; }

    // An answer body longer than this is not read: the request is aborted and its Answer is tooLarge.
    qint64 maximumBodyBytes() const { return m_maximumBodyBytes; }
    void setMaximumBodyBytes(qint64 bytes) { m_maximumBodyBytes = bytes; }

    // POSTs `body` once: the body cannot be replayed, so a broken connection ends the request instead
    // of sending it again. `completion` runs once, unless `receiver` is destroyed first. Must be called
    // on the transport's thread.
    void post(QNetworkRequest request, const QByteArray &body, const QObject *receiver,
              Completion completion);

    QNetworkAccessManager *network() const { return m_network; }

    // Errors of the connection itself (refused, host not found, timed out, closed, TLS, proxy) as
    // opposed to those that stand for an HTTP status. The product shows the former as "链接超时!".
    static bool isConnectionError(QNetworkReply::NetworkError error);

private:
    void watch(QNetworkReply *reply, const QObject *receiver, Completion completion);

    QNetworkAccessManager *m_network;
    int m_transferTimeout = kDefaultTransferTimeout;
    qint64 m_maximumBodyBytes = kDefaultMaximumBodyBytes;
};
