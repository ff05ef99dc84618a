#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>

#include <functional>

class QNetworkAccessManager;

// The HTTP plumbing under the request managers: one QNetworkAccessManager on the main thread, a
// transfer timeout on every request, and the classification of what came back. Completions run on the
// transport's thread (the main thread for the shared transport).
class MLHttpTransport final : public QObject {
    Q_OBJECT
public:
    // What a finished request left behind.
    struct Answer {
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        int httpStatus = 0;
        QByteArray body;

        // Nothing usable arrived: the connection could not be made, broke, or timed out.
        bool isConnectionFailure() const {
            return error != QNetworkReply::NoError && (httpStatus == 0 || isConnectionError(error));
        }
        // The server answered with an HTTP error status (4xx/5xx).
        bool isHttpFailure() const { return error != QNetworkReply::NoError && !isConnectionFailure(); }
    };
    using Completion = std::function<void(const Answer &answer)>;

    static constexpr int kDefaultTransferTimeout = 30000;

    // The application's transport (main thread, shared QNetworkAccessManager).
    static MLHttpTransport &shared();

    // A transport over `network`, or over a QNetworkAccessManager of its own when none is given.
    explicit MLHttpTransport(QNetworkAccessManager *network = nullptr, QObject *parent = nullptr);
    ~MLHttpTransport() override;

    // Milliseconds without any transfer after which a request ends as a connection failure.
    int transferTimeout() const { return m_transferTimeout; }
    void setTransferTimeout(int milliseconds) { m_transferTimeout = milliseconds; }

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
};
