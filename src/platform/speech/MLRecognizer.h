#pragma once

#include "platform/speech/MLSpeechConfig.h"
#include "platform/speech/MLSpeechRecognitionResult.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

class MLAudioCapture;
class QTimer;
class QWebSocket;

// Continuous recognition over the speech endpoint (docs/speech-protocol.md): a WebSocket to the
// configuration's endpoint carrying the credentials in its opening handshake, the microphone's
// 16 kHz mono PCM up in frames of 100 ms, JSON events down.
//
// Every signal is emitted on the thread that owns the recognizer (the main thread), where the
// socket lives. A recognition that cannot go on (no endpoint, refused credentials, a dropped
// connection, no answer within the connect timeout) ends with exactly one `canceled`. After
// `stopContinuousRecognition` returns no further signal is emitted for that recognition.
class MLRecognizer : public QObject {
    Q_OBJECT
public:
    ~MLRecognizer() override;

    const MLSpeechConfig &config() const { return m_config; }

    // Connects and starts streaming the capture; nothing when already running.
    void startContinuousRecognition();
    // Stops streaming and closes the connection; nothing when not running.
    void stopContinuousRecognition();
    bool isRunning() const { return m_state != State::Idle; }

    // Loads, once, on a worker thread, what the first connection of the process would otherwise load
    // on the main thread (the TLS backend, which every WebSocket asks for). Call it where a
    // recognition is about to be likely (a live page shown).
    static void preload();

    // How long the endpoint may take to accept the connection (10 s by default).
    void setConnectTimeout(int milliseconds) { m_connectTimeoutMs = milliseconds; }

    // The audio sent per frame: 100 ms of 16 kHz mono 16-bit PCM.
    static constexpr int kFrameBytes = 3200;
    // Audio captured while connecting is kept (up to this much) and sent once connected.
    static constexpr int kMaxPendingBytes = 30 * 32000;

Q_SIGNALS:
    // The endpoint accepted the credentials and the configuration.
    void sessionStarted();
    void recognizing(const MLSpeechRecognitionResult &result);
    void recognized(const MLSpeechRecognitionResult &result);
    void canceled(const MLSpeechRecognitionResult &result);

protected:
    // `translation` selects translated results (reason 7) into the configuration's target
    // languages; otherwise recognition only (reason 3). A null capture means the shared one.
    MLRecognizer(const MLSpeechConfig &config, bool translation, MLAudioCapture *capture, QObject *parent);

private:
    enum class State { Idle, Connecting, Running };

    void onConnected();
    void onDisconnected();
    void onSocketError();
    void onTextMessage(const QString &message);
    void onAudio(const QByteArray &pcm);
    void sendFrame(const QByteArray &frame);
    void cancel(const QString &code, const QString &details);
    // Detaches from the capture and lets go of the socket; a socket in use is closed gracefully.
    void finish(bool graceful);

    MLSpeechConfig m_config;
    bool m_translation;
    QPointer<MLAudioCapture> m_capture;
    State m_state = State::Idle;
    QWebSocket *m_socket = nullptr;
    QTimer *m_connectTimer = nullptr;
    int m_connectTimeoutMs = 10000;
    QByteArray m_frame;
    QByteArray m_pending;
};
