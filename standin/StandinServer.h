#pragma once

#include "StandinFault.h"
#include "StandinRoute.h"
#include "StandinState.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>
#include <optional>

class QHttpServerRequest;
class QTcpSocket;
class StandinHttpListener;

// The local stand-in of the remote services, listening on loopback only: the service API (envelope
// routes), the payment origin under "/pay" (plain JSON routes) and whatever raw routes later work adds.
// Tests start it in-process on port 0; the `standin` executable serves the demo.
//
// Every route is one registration:
//     server.route("/meInfo/getMeInfo", [&](const StandinRequest &r) {
//         return StandinReply::success(ml::json::toObject(r.account->profile));
//     });
// Handlers run on the server's thread and get the decoded request and its account; the server checks
// the envelope and the token first and answers the service's errors itself.
class StandinServer final : public QObject {
    Q_OBJECT
public:
    // A server with the service's routes installed and the request cipher's key recovered.
    explicit StandinServer(QObject *parent = nullptr);
    ~StandinServer() override;

    // Listens on 127.0.0.1:`port` (0 picks a free port). False when the port cannot be bound.
    bool listen(quint16 port = 0);
    quint16 port() const { return m_port; }
    QUrl baseUrl() const;    // the service API origin
    QUrl payBaseUrl() const; // the payment origin: baseUrl() + "/pay"

    StandinState &state() { return m_state; }

    // The folder for the service's files (uploads, results); a temporary one unless set.
    void setDataDir(const QString &path);
    QString dataDir();

    // Route table. `path` is the full request path; payment paths are given without the "/pay" prefix.
    void route(const QString &path, StandinHandler handler,
               StandinRouteKind kind = StandinRouteKind::Envelope, bool needsAccount = true);
    void payRoute(const QString &path, StandinHandler handler, bool needsAccount = true);
    bool hasRoute(const QString &path) const { return m_routes.contains(path); }

    // Fault injection (tests): the next `count` requests of `path` (the full request path) show `fault`.
    // Faults of one path are used in the order they were injected.
    void injectFault(const QString &path, const StandinFault &fault, int count = 1);
    int pendingFaults(const QString &path) const;
    void clearFaults();
    // The requests of `path` whose answer StandinFault::hold() holds back, and their release: each is
    // answered then, in the order they came.
    int heldRequests(const QString &path) const;
    void releaseHeld(const QString &path);

    // The requests received (newest last, the last kLogSize kept), all or those of one path.
    QList<StandinRequest> receivedRequests(const QString &path = {}) const;
    std::optional<StandinRequest> lastRequest(const QString &path) const;
    void clearReceivedRequests() { m_log.clear(); }

    static constexpr const char *kPayPrefix = "/pay";
    static constexpr int kLogSize = 200;

Q_SIGNALS:
    void requestReceived(const QString &path);

private:
    struct PendingFault {
        StandinFault fault;
        int remaining;
    };

    struct HeldAnswer {
        QPointer<QTcpSocket> socket;
        StandinRequest request;
        StandinFault fault;
    };

    void dispatch(const QHttpServerRequest &httpRequest, QTcpSocket *socket);
    void respond(const QPointer<QTcpSocket> &socket, StandinRequest request,
                 const std::optional<StandinFault> &fault);
    // Checks and decodes the request, then runs the route's handler unless `runHandler` is false (an
    // injected answer stands in for it, so the handler's effects on the state must not happen).
    StandinReply handle(StandinRequest &request, const StandinRoute &route, bool runHandler = true);
    std::optional<StandinFault> takeFault(const QString &path);
    void record(const StandinRequest &request);
    void installServiceRoutes();

    static void writeHttp(QTcpSocket *socket, int status, const QByteArray &contentType,
                          const QByteArray &body,
                          const QList<QPair<QByteArray, QByteArray>> &extraHeaders = {});

    std::unique_ptr<StandinHttpListener> m_http;
    quint16 m_port = 0;
    StandinState m_state;
    QHash<QString, StandinRoute> m_routes;
    QHash<QString, QList<PendingFault>> m_faults;
    QList<HeldAnswer> m_held;
    QList<StandinRequest> m_log;
    QString m_dataDir;
    std::unique_ptr<QTemporaryDir> m_temporaryDataDir;
};
