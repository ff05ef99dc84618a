#include "StandinSpeechServer.h"

#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QNetworkRequest>
#include <QTimer>
#include <QUuid>
#include <QWebSocket>
#include <QWebSocketServer>

#include <cmath>
#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcStandinSpeech, "ml.standin.speech")

constexpr int kCloseUnauthorized = 4401;
constexpr int kCloseBadRequest = 4400;
// A partial result shows this much more of the sentence each time.
constexpr double kPartialStep = 0.25;

QString primaryTag(const QString &code) {
    return code.section(QLatin1Char('-'), 0, 0).toLower();
}

// The first `fraction` of a text: whole words for spaced scripts, characters otherwise.
QString prefixOf(const QString &text, double fraction) {
    if (fraction >= 1.0)
        return text;
    if (text.contains(QLatin1Char(' '))) {
        const QStringList words = text.split(QLatin1Char(' '));
        const auto n = qMax<qsizetype>(1, qsizetype(std::ceil(words.size() * fraction)));
        return words.mid(0, n).join(QLatin1Char(' '));
    }
    const auto n = qMax<qsizetype>(1, qsizetype(std::ceil(text.size() * fraction)));
    return text.left(n);
}

} // namespace

struct StandinSpeechServer::Session {
    QWebSocket *socket = nullptr;
    bool closing = false;
    QString region;
    bool started = false;
    bool translation = false;
    QString language;
    QStringList targets;
    StandinSpeechSegmenter segmenter;
    qsizetype nextSentence = 0;
    int frames = 0;
    int dropAfterFrames = 0;
    bool stoppedByClient = false;
};

StandinSpeechServer::StandinSpeechServer(QObject *parent)
    : QObject(parent)
    , m_server(std::make_unique<QWebSocketServer>(QStringLiteral("standin-speech"),
                                                  QWebSocketServer::NonSecureMode)) {
    QFile fixture(QStringLiteral(":/standin/speech_sentences.json"));
    if (fixture.open(QIODevice::ReadOnly)) {
        const QJsonArray sentences =
            QJsonDocument::fromJson(fixture.readAll()).object().value(QLatin1String("sentences")).toArray();
        for (const QJsonValue &value : sentences) {
            Sentence sentence;
            const QJsonObject texts = value.toObject();
            for (auto it = texts.begin(); it != texts.end(); ++it)
                sentence.texts.insert(it.key(), it.value().toString());
            m_sentences.append(sentence);
        }
    }
    if (m_sentences.isEmpty())
        qCWarning(lcStandinSpeech) << "no sentences in the fixture";
    connect(m_server.get(), &QWebSocketServer::newConnection, this, &StandinSpeechServer::onNewConnection);
}

StandinSpeechServer::~StandinSpeechServer() {
    for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it) {
        it.key()->disconnect(this);
        it.key()->abort();
        delete it.key();
    }
}

bool StandinSpeechServer::listen(quint16 port) {
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 StandinSpeechServer::port() const {
    return m_server->serverPort();
}

QString StandinSpeechServer::urlTemplate() const {
    return QStringLiteral("ws://127.0.0.1:%1/speech/{region}").arg(port());
}

QUrl StandinSpeechServer::url(const QString &region) const {
    QString url = urlTemplate();
    return QUrl(url.replace(QLatin1String("{region}"), QString::fromLatin1(QUrl::toPercentEncoding(region))));
}

bool StandinSpeechServer::credentialsAccepted(const QByteArray &key, const QByteArray &token) const {
    if (!key.isEmpty())
        return m_acceptedKeys.isEmpty() || m_acceptedKeys.contains(QString::fromUtf8(key));
    if (!token.isEmpty())
        return m_acceptedTokens.isEmpty() || m_acceptedTokens.contains(QString::fromUtf8(token));
    return false;
}

void StandinSpeechServer::onNewConnection() {
    while (QWebSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        auto session = std::make_shared<Session>();
        session->socket = socket;
        m_sessions.insert(socket, session);
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { onDisconnected(socket); });
        connect(socket, &QWebSocket::textMessageReceived, this,
                [this, socket](const QString &message) { onText(socket, message); });
        connect(socket, &QWebSocket::binaryMessageReceived, this,
                [this, socket](const QByteArray &frame) { onBinary(socket, frame); });

        const QNetworkRequest request = socket->request();
        const QString path = socket->requestUrl().path();
        session->region = path.startsWith(QLatin1String("/speech/"))
                              ? path.mid(8)
                              : QString::fromUtf8(request.rawHeader("X-ML-Speech-Region"));
        const QByteArray authorization = request.rawHeader("Authorization");
        const QByteArray token =
            authorization.startsWith("Bearer ") ? authorization.mid(7).trimmed() : QByteArray();
        const QByteArray key = request.rawHeader("X-ML-Speech-Key");
        session->dropAfterFrames = std::exchange(m_dropAfterFrames, 0);

        if (!m_accepting || !m_outage.hasExpired()) {
            qCInfo(lcStandinSpeech) << "dropping a new speech client: not accepting connections";
            session->closing = true;
            socket->abort();
        } else if (std::exchange(m_refuseNext, false) || !credentialsAccepted(key, token)) {
            refuse(
                socket, kCloseUnauthorized, QStringLiteral("unauthorized"),
                QStringLiteral("The subscription key or authorization token is not valid for this region."));
        } else if (session->region.isEmpty()) {
            refuse(socket, kCloseBadRequest, QStringLiteral("bad_request"),
                   QStringLiteral("No speech region."));
        }
    }
}

void StandinSpeechServer::dropConnections() {
    // A copy: an aborted socket may say it disconnected at once, which takes it off the table.
    const QList<std::shared_ptr<Session>> sessions = m_sessions.values();
    for (const auto &session : sessions) {
        session->closing = true;
        session->socket->abort();
    }
}

void StandinSpeechServer::beginOutage(int milliseconds) {
    m_outage = QDeadlineTimer(milliseconds, Qt::PreciseTimer);
    dropConnections();
}

void StandinSpeechServer::refuse(QWebSocket *socket, int closeCode, const QString &code,
                                 const QString &message) {
    if (const auto session = m_sessions.value(socket)) {
        if (std::exchange(session->closing, true))
            return;
    }
    qCInfo(lcStandinSpeech) << "refusing a speech client:" << code;
    // Sent at once, whatever the event delay: the client must learn why before the socket closes.
    socket->sendTextMessage(
        QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("type"), QStringLiteral("error")},
                                                    {QStringLiteral("code"), code},
                                                    {QStringLiteral("message"), message}})
                              .toJson(QJsonDocument::Compact)));
    socket->close(QWebSocketProtocol::CloseCode(closeCode), code);
}

void StandinSpeechServer::send(QWebSocket *socket, const QJsonObject &event) {
    const QString text = QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact));
    if (m_eventDelayMs <= 0) {
        socket->sendTextMessage(text);
        Q_EMIT eventSent(event);
        return;
    }
    QTimer::singleShot(m_eventDelayMs, socket, [this, socket, text, event] {
        socket->sendTextMessage(text);
        Q_EMIT eventSent(event);
    });
}

void StandinSpeechServer::onText(QWebSocket *socket, const QString &message) {
    const auto session = m_sessions.value(socket);
    if (!session || session->closing)
        return;
    const QJsonObject event = QJsonDocument::fromJson(message.toUtf8()).object();
    const QString type = event.value(QLatin1String("type")).toString();
    if (type == QLatin1String("stop")) {
        session->stoppedByClient = true;
        session->closing = true;
        socket->close(QWebSocketProtocol::CloseCodeNormal, QStringLiteral("stopped"));
        return;
    }
    if (type != QLatin1String("start") || session->started) {
        refuse(socket, kCloseBadRequest, QStringLiteral("bad_request"),
               QStringLiteral("Unexpected message \"%1\".").arg(type));
        return;
    }
    const QJsonObject audio = event.value(QLatin1String("audio")).toObject();
    if (audio.value(QLatin1String("encoding")).toString() != QLatin1String("pcm_s16le") ||
        audio.value(QLatin1String("sampleRate")).toInt() != 16000 ||
        audio.value(QLatin1String("channels")).toInt() != 1) {
        refuse(socket, kCloseBadRequest, QStringLiteral("unsupported_audio"),
               QStringLiteral("Audio must be 16 kHz mono pcm_s16le."));
        return;
    }
    session->language = event.value(QLatin1String("language")).toString();
    if (session->language.isEmpty()) {
        refuse(socket, kCloseBadRequest, QStringLiteral("bad_request"),
               QStringLiteral("No recognition language."));
        return;
    }
    session->translation = event.value(QLatin1String("mode")).toString() == QLatin1String("translation");
    for (const QJsonValue &target : event.value(QLatin1String("targets")).toArray())
        session->targets.append(target.toString());
    session->started = true;
    qCInfo(lcStandinSpeech) << "speech session" << session->region << session->language << session->targets;
    send(socket,
         QJsonObject{{QStringLiteral("type"), QStringLiteral("started")},
                     {QStringLiteral("session"), QUuid::createUuid().toString(QUuid::WithoutBraces)}});
    Q_EMIT sessionStarted(session->region, session->language, session->targets);
}

void StandinSpeechServer::onBinary(QWebSocket *socket, const QByteArray &frame) {
    const auto session = m_sessions.value(socket);
    if (!session || session->closing)
        return;
    if (!session->started) {
        refuse(socket, kCloseBadRequest, QStringLiteral("bad_request"),
               QStringLiteral("Audio before \"start\"."));
        return;
    }
    if (session->dropAfterFrames > 0 && ++session->frames >= session->dropAfterFrames) {
        qCInfo(lcStandinSpeech) << "dropping a speech client after" << session->frames << "frames";
        session->closing = true;
        socket->abort();
        return;
    }
    for (const StandinSpeechSegmenter::Event &event : session->segmenter.feed(frame))
        answer(*session, event);
}

void StandinSpeechServer::answer(Session &session, const StandinSpeechSegmenter::Event &segment) {
    using Kind = StandinSpeechSegmenter::Kind;
    QJsonObject event{{QStringLiteral("offset"), segment.offsetMs},
                      {QStringLiteral("duration"), segment.durationMs}};
    if (segment.kind == Kind::NoMatch || m_sentences.isEmpty()) {
        event.insert(QStringLiteral("type"), QStringLiteral("recognized"));
        event.insert(QStringLiteral("reason"), 0);
        event.insert(QStringLiteral("text"), QString());
        send(session.socket, event);
        return;
    }
    const Sentence &sentence = m_sentences.at(session.nextSentence % m_sentences.size());
    const bool final = segment.kind == Kind::Final;
    const double fraction = final ? 1.0 : qMin(1.0, kPartialStep * segment.partialIndex);
    event.insert(QStringLiteral("type"),
                 final ? QStringLiteral("recognized") : QStringLiteral("recognizing"));
    event.insert(QStringLiteral("reason"), session.translation ? (final ? 7 : 6) : (final ? 3 : 2));
    const QString number = m_numbered ? QStringLiteral("%1. ").arg(m_finalsSent + 1) : QString();
    event.insert(QStringLiteral("text"),
                 QString(number + prefixOf(textIn(sentence, session.language), fraction)));
    if (session.translation) {
        QJsonObject translations;
        for (const QString &target : session.targets)
            translations.insert(target, QString(number + prefixOf(textIn(sentence, target), fraction)));
        event.insert(QStringLiteral("translations"), translations);
    }
    if (final) {
        ++session.nextSentence;
        ++m_finalsSent;
    }
    send(session.socket, event);
}

QString StandinSpeechServer::textIn(const Sentence &sentence, const QString &language) const {
    if (sentence.texts.contains(language))
        return sentence.texts.value(language);
    for (auto it = sentence.texts.begin(); it != sentence.texts.end(); ++it) {
        if (primaryTag(it.key()) == primaryTag(language))
            return it.value();
    }
    // A language the fixture lacks: the English sentence, marked.
    return QStringLiteral("[%1] %2").arg(language, sentence.texts.value(QStringLiteral("en")));
}

void StandinSpeechServer::onDisconnected(QWebSocket *socket) {
    const auto session = m_sessions.take(socket);
    if (!session)
        return;
    const bool stopped =
        session->stoppedByClient || socket->closeCode() == QWebSocketProtocol::CloseCodeNormal;
    socket->deleteLater();
    Q_EMIT sessionEnded(stopped);
}
