#pragma once

#include "StandinSpeechSegmenter.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <memory>

class QWebSocket;
class QWebSocketServer;

// The stand-in of the speech service (docs/speech-protocol.md): a WebSocket endpoint on loopback at
// "/speech/<region>". It checks the key or token of the opening handshake, cuts the PCM it receives
// into utterances by energy, and answers each with partial results while it goes on and a final
// result when it ends, taking the sentences and their translations in order from the fixture
// ":/standin/speech_sentences.json" (each connection starts at the first sentence). Translation
// sessions get reason 7, speech-only sessions reason 3. Faults can be injected for tests.
class StandinSpeechServer final : public QObject {
    Q_OBJECT
public:
    explicit StandinSpeechServer(QObject *parent = nullptr);
    ~StandinSpeechServer() override;

    // Listens on 127.0.0.1:`port` (0 picks a free port). False when the port cannot be bound.
    bool listen(quint16 port = 0);
    quint16 port() const;
    // "ws://127.0.0.1:<port>/speech/{region}", the form MLServiceOrigins takes.
    QString urlTemplate() const;
    QUrl url(const QString &region) const;

    // Credentials accepted; an empty list (the default) accepts any non-empty key or token.
    void setAcceptedKeys(const QStringList &keys) { m_acceptedKeys = keys; }
    void setAcceptedTokens(const QStringList &tokens) { m_acceptedTokens = tokens; }

    // Faults: the next connection is refused whatever its credentials; the next connection is
    // dropped (without a closing handshake) after it has sent `frames` audio frames; every event
    // is sent `milliseconds` late.
    void refuseNextConnection() { m_refuseNext = true; }
    void dropNextConnectionAfterFrames(int frames) { m_dropAfterFrames = frames; }
    void setEventDelay(int milliseconds) { m_eventDelayMs = milliseconds; }
    // Drops every open connection now (without a closing handshake), as a lost network does.
    void dropConnections();
    // While false, every new connection is dropped as soon as it is open, before "started".
    void setAcceptingConnections(bool accepting) { m_accepting = accepting; }
    // An outage of `milliseconds`: every open connection is dropped now, and every new one as soon as
    // it is open until the time is up.
    void beginOutage(int milliseconds);

    // With numbering, every sentence (and its translations) starts with its running number over all
    // connections ("12. "), so that no two sentences of a long run are the same text.
    void setNumberedSentences(bool numbered) { m_numbered = numbered; }

    // Connections open now.
    int connectionCount() const { return static_cast<int>(m_sessions.size()); }

Q_SIGNALS:
    // A client's configuration was accepted.
    void sessionStarted(const QString &region, const QString &language, const QStringList &targets);
    // A connection ended; `stoppedByClient` when the client sent "stop" or closed normally.
    void sessionEnded(bool stoppedByClient);
    // An event went out to a client (after the event delay, if any).
    void eventSent(const QJsonObject &event);

private:
    struct Sentence {
        QHash<QString, QString> texts; // by language code
    };
    struct Session;

    void onNewConnection();
    void onText(QWebSocket *socket, const QString &message);
    void onBinary(QWebSocket *socket, const QByteArray &frame);
    void onDisconnected(QWebSocket *socket);
    void refuse(QWebSocket *socket, int closeCode, const QString &code, const QString &message);
    void send(QWebSocket *socket, const QJsonObject &event);
    void answer(Session &session, const StandinSpeechSegmenter::Event &event);
    bool credentialsAccepted(const QByteArray &key, const QByteArray &token) const;
    QString textIn(const Sentence &sentence, const QString &language) const;

    std::unique_ptr<QWebSocketServer> m_server;
    QHash<QWebSocket *, std::shared_ptr<Session>> m_sessions;
    QList<Sentence> m_sentences;
    QStringList m_acceptedKeys;
    QStringList m_acceptedTokens;
    bool m_refuseNext = false;
    int m_dropAfterFrames = 0;
    int m_eventDelayMs = 0;
    bool m_accepting = true;
    QDeadlineTimer m_outage; // expired: no outage
    bool m_numbered = false;
    int m_finalsSent = 0;
};
