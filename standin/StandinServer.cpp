#include "StandinServer.h"

#include "StandinAccountRoutes.h"
#include "StandinBillingRoutes.h"
#include "StandinEnvelope.h"
#include "StandinFileRoutes.h"
#include "StandinHttpListener.h"
#include "StandinLanguageRoutes.h"
#include "StandinLiveRoutes.h"
#include "StandinMultipart.h"
#include "StandinPaymentRoutes.h"
#include "StandinRegionRoutes.h"
#include "StandinTcpServer.h"

#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"

#include <QDir>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QMetaEnum>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

Q_LOGGING_CATEGORY(lcStandin, "ml.standin")

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

const QByteArray kJsonType = QByteArrayLiteral("application/json; charset=utf-8");

} // namespace

StandinServer::StandinServer(QObject *parent)
    : QObject(parent)
    , m_http(std::make_unique<StandinHttpListener>(
          [this](const QHttpServerRequest &request, QTcpSocket *socket) { dispatch(request, socket); })) {
    if (!SecurityCore::hasKey() && !SecurityCore::recoverStoredKey())
        qCWarning(lcStandin) << "the request cipher's key could not be recovered";
    installServiceRoutes();
}

StandinServer::~StandinServer() = default;

void StandinServer::installServiceRoutes() {
    StandinAccountRoutes::install(*this);
    StandinLanguageRoutes::install(*this);
    StandinLiveRoutes::install(*this);
    StandinRegionRoutes::install(*this);
    StandinBillingRoutes::install(*this);
    StandinPaymentRoutes::install(*this);
    StandinFileRoutes::install(*this);
}

bool StandinServer::listen(quint16 port) {
    auto *tcp = new StandinTcpServer(m_http.get());
    if (!tcp->listen(QHostAddress::LocalHost, port)) {
        delete tcp;
        return false;
    }
    m_http->bind(tcp);
    m_port = tcp->serverPort();
    return true;
}

QUrl StandinServer::baseUrl() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
}

QUrl StandinServer::payBaseUrl() const {
    return QUrl(baseUrl().toString() + QLatin1String(kPayPrefix));
}

void StandinServer::setDataDir(const QString &path) {
    QDir().mkpath(path);
    m_dataDir = QDir(path).absolutePath();
}

QString StandinServer::dataDir() {
    if (m_dataDir.isEmpty()) {
        m_temporaryDataDir = std::make_unique<QTemporaryDir>();
        m_dataDir = m_temporaryDataDir->path();
    }
    return m_dataDir;
}

void StandinServer::route(const QString &path, StandinHandler handler, StandinRouteKind kind,
                          bool needsAccount) {
    m_routes.insert(path, StandinRoute{kind, needsAccount, std::move(handler)});
}

void StandinServer::payRoute(const QString &path, StandinHandler handler, bool needsAccount) {
    route(QLatin1String(kPayPrefix) + path, std::move(handler), StandinRouteKind::Plain, needsAccount);
}

void StandinServer::injectFault(const QString &path, const StandinFault &fault, int count) {
    if (count > 0)
        m_faults[path].append(PendingFault{fault, count});
}

int StandinServer::pendingFaults(const QString &path) const {
    int total = 0;
    for (const PendingFault &pending : m_faults.value(path))
        total += pending.remaining;
    return total;
}

void StandinServer::clearFaults() {
    m_faults.clear();
}

int StandinServer::heldRequests(const QString &path) const {
    return int(std::count_if(m_held.cbegin(), m_held.cend(),
                             [&path](const HeldAnswer &held) { return held.request.path == path; }));
}

void StandinServer::releaseHeld(const QString &path) {
    QList<HeldAnswer> released;
    m_held.removeIf([&](const HeldAnswer &held) {
        if (held.request.path != path)
            return false;
        released.append(held);
        return true;
    });
    for (const HeldAnswer &held : std::as_const(released))
        respond(held.socket, held.request, held.fault);
}

std::optional<StandinFault> StandinServer::takeFault(const QString &path) {
    const auto it = m_faults.find(path);
    if (it == m_faults.end() || it->isEmpty())
        return std::nullopt;
    PendingFault &first = it->first();
    const StandinFault fault = first.fault;
    if (--first.remaining <= 0)
        it->removeFirst();
    if (it->isEmpty())
        m_faults.erase(it);
    return fault;
}

QList<StandinRequest> StandinServer::receivedRequests(const QString &path) const {
    if (path.isEmpty())
        return m_log;
    QList<StandinRequest> matching;
    for (const StandinRequest &request : m_log) {
        if (request.path == path)
            matching.append(request);
    }
    return matching;
}

std::optional<StandinRequest> StandinServer::lastRequest(const QString &path) const {
    for (auto it = m_log.crbegin(); it != m_log.crend(); ++it) {
        if (it->path == path)
            return *it;
    }
    return std::nullopt;
}

void StandinServer::record(const StandinRequest &request) {
    StandinRequest entry = request;
    entry.account = nullptr;
    m_log.append(entry);
    while (m_log.size() > kLogSize)
        m_log.removeFirst();
}

void StandinServer::dispatch(const QHttpServerRequest &httpRequest, QTcpSocket *socket) {
    StandinTcpServer::acknowledgeQuickly(socket->socketDescriptor());
    StandinRequest request;
    request.method = QByteArray(QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(
                                    static_cast<int>(httpRequest.method())))
                         .toUpper();
    request.path = httpRequest.url().path();
    request.query = httpRequest.query();
    const auto headers = httpRequest.headers();
    for (const auto &[name, value] : headers)
        request.headers.insert(name.toLower(), value);
    request.body = httpRequest.body();
    request.token = QString::fromUtf8(request.header("tk"));

    const std::optional<StandinFault> fault = takeFault(request.path);
    const QPointer<QTcpSocket> guarded(socket);
    if (fault && fault->held) {
        m_held.append(HeldAnswer{guarded, request, *fault});
        return;
    }
    if (fault && fault->delayMs > 0) {
        QTimer::singleShot(fault->delayMs, this,
                           [this, guarded, request, fault] { respond(guarded, request, fault); });
        return;
    }
    respond(guarded, request, fault);
}

void StandinServer::respond(const QPointer<QTcpSocket> &socket, StandinRequest request,
                            const std::optional<StandinFault> &fault) {
    if (!socket || socket->state() != QAbstractSocket::ConnectedState)
        return;
    const StandinFault::Kind faultKind = fault ? fault->kind : StandinFault::Kind::None;
    switch (faultKind) {
    case StandinFault::Kind::Drop:
        record(request);
        socket->disconnectFromHost();
        return;
    case StandinFault::Kind::Silence:
        record(request);
        return;
    case StandinFault::Kind::NotJson:
        record(request);
        writeHttp(socket, 200, QByteArrayLiteral("text/html; charset=utf-8"), fault->body);
        return;
    case StandinFault::Kind::HttpStatus:
        record(request);
        writeHttp(socket, fault->httpStatus, fault->body.isEmpty() ? QByteArray() : kJsonType, fault->body);
        return;
    default:
        break;
    }

    const auto routeIt = m_routes.constFind(request.path);
    if (routeIt == m_routes.constEnd()) {
        record(request);
        qCInfo(lcStandin) << "no route for" << request.path;
        const StandinReply reply = m_state.error(QStringLiteral("notFound"));
        writeHttp(socket, 404, kJsonType,
                  QJsonDocument(StandinEnvelope::sealAnswer(reply, false)).toJson(QJsonDocument::Compact));
        return;
    }
    const StandinRoute route = routeIt.value();
    StandinReply reply = handle(request, route, faultKind != StandinFault::Kind::Answer);
    record(request);
    Q_EMIT requestReceived(request.path);

    if (faultKind == StandinFault::Kind::Answer)
        reply = StandinReply::failure(fault->code, fault->message);

    if (route.kind == StandinRouteKind::Raw && reply.isSuccess() && faultKind != StandinFault::Kind::Answer) {
        writeHttp(socket, reply.httpStatus, reply.contentType, reply.rawBody, reply.extraHeaders);
        return;
    }
    QJsonObject answer = StandinEnvelope::sealAnswer(reply, route.kind == StandinRouteKind::Envelope);
    if (faultKind == StandinFault::Kind::WrongDigest)
        answer.insert(QStringLiteral("m5"), MLDigest::md5Hex(QByteArrayLiteral("tampered") + request.body));
    writeHttp(socket, reply.httpStatus, kJsonType, QJsonDocument(answer).toJson(QJsonDocument::Compact),
              reply.extraHeaders);
}

StandinReply StandinServer::handle(StandinRequest &request, const StandinRoute &route, bool runHandler) {
    if (route.kind != StandinRouteKind::Raw && request.method != "POST") {
        StandinReply reply = m_state.error(QStringLiteral("badRequest"));
        reply.httpStatus = 405;
        return reply;
    }

    request.account = m_state.accountForToken(request.token);
    request.consumerId = request.account ? request.account->profile.consumerId : 0;
    if (route.needsAccount && !request.account)
        return m_state.error(QStringLiteral("tokenInvalid"));

    switch (route.kind) {
    case StandinRouteKind::Envelope: {
        StandinEnvelope::Problem problem;
        const auto params = StandinEnvelope::openRequest(request.body, &problem);
        if (!params)
            return m_state.error(problem == StandinEnvelope::Problem::BadDigest
                                     ? QStringLiteral("badDigest")
                                     : QStringLiteral("badEnvelope"));
        request.params = *params;
        break;
    }
    case StandinRouteKind::Plain: {
        if (!request.body.trimmed().isEmpty()) {
            QJsonParseError error{};
            const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
            if (error.error != QJsonParseError::NoError || !document.isObject())
                return m_state.error(QStringLiteral("badRequest"));
            request.params = document.object();
        }
        break;
    }
    case StandinRouteKind::Multipart: {
        const auto parts = StandinMultipart::parse(request.header("content-type"), request.body);
        if (!parts)
            return m_state.error(QStringLiteral("badRequest"));
        for (const StandinMultipart::Part &part : *parts) {
            if (part.hasFileName) {
                request.hasFile = true;
                request.fileName = part.fileName;
                request.fileContentType = part.headers.value("content-type");
                request.fileData = part.body;
            } else {
                request.formFields.insert(part.name, QString::fromUtf8(part.body));
            }
        }
        break;
    }
    case StandinRouteKind::Raw:
        break;
    }

    if (!runHandler)
        return StandinReply::success(QJsonValue());
    try {
        return route.handler(request);
    } catch (const std::exception &e) {
        qCWarning(lcStandin) << "handler of" << request.path << "failed:" << e.what();
        return m_state.error(QStringLiteral("serverError"));
    }
}

void StandinServer::writeHttp(QTcpSocket *socket, int status, const QByteArray &contentType,
                              const QByteArray &body,
                              const QList<QPair<QByteArray, QByteArray>> &extraHeaders) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    for (const auto &[name, value] : extraHeaders)
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    socket->write(head + body);
    // Sending the answer puts the connection back into delayed-acknowledgement mode; leave it at once
    // so that the head of the next request is acknowledged without delay.
    socket->flush();
    StandinTcpServer::acknowledgeQuickly(socket->socketDescriptor());
}
