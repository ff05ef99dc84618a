#include "platform/speech/MLRecognizer.h"

#include "platform/audio/MLAudioCapture.h"
#include "platform/kit/MLDispatch.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QNetworkRequest>
#include <QSslSocket>
#include <QTimer>
#include <QWebSocket>

#include <atomic>

namespace {

Q_LOGGING_CATEGORY(lcSpeech, "ml.speech")

// A socket being closed after a stop is given this long to say goodbye before it is dropped.
constexpr int kCloseGraceMs = 2000;

MLSpeechRecognitionResult resultFrom(const QJsonObject &event, int defaultReason) {
    MLSpeechRecognitionResult result;
    result.reason = event.value(QLatin1String("reason")).toInt(defaultReason);
    result.text = event.value(QLatin1String("text")).toString();
    const QJsonObject translations = event.value(QLatin1String("translations")).toObject();
    for (auto it = translations.begin(); it != translations.end(); ++it)
        result.translations.insert(it.key(), it.value().toString());
    result.offsetMs = event.value(QLatin1String("offset")).toInteger();
    result.durationMs = event.value(QLatin1String("duration")).toInteger();
    return result;
}

} // namespace

void MLRecognizer::preload() {
    static std::atomic_bool started = false;
    if (!started.exchange(true))
        MLDispatch::background([] { QSslSocket::supportsSsl(); });
}

MLRecognizer::MLRecognizer(const MLSpeechConfig &config, bool translation, MLAudioCapture *capture,
                           QObject *parent)
    : QObject(parent)
    , m_config(config)
    , m_translation(translation)
    , m_capture(capture ? capture : MLAudioCapture::sharedCapture()) {
    qRegisterMetaType<MLSpeechRecognitionResult>();
}

MLRecognizer::~MLRecognizer() {
    finish(true);
}

void MLRecognizer::startContinuousRecognition() {
    if (m_state != State::Idle)
        return;
    m_state = State::Connecting;
    m_frame.clear();
    m_pending.clear();

    QNetworkRequest request(m_config.endpoint());
    if (!m_config.subscriptionKey().isEmpty())
        request.setRawHeader("X-ML-Speech-Key", m_config.subscriptionKey().toUtf8());
    else
        request.setRawHeader("Authorization", "Bearer " + m_config.authorizationToken().toUtf8());
    request.setRawHeader("X-ML-Speech-Region", m_config.region().toUtf8());

    m_socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    connect(m_socket, &QWebSocket::connected, this, &MLRecognizer::onConnected);
    connect(m_socket, &QWebSocket::disconnected, this, &MLRecognizer::onDisconnected);
    connect(m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this,
            &MLRecognizer::onSocketError);
    connect(m_socket, &QWebSocket::textMessageReceived, this, &MLRecognizer::onTextMessage);

    m_connectTimer = new QTimer(this);
    m_connectTimer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, [this] {
        cancel(QStringLiteral("timeout"),
               QStringLiteral("the speech endpoint did not answer within %1 ms").arg(m_connectTimeoutMs));
    });
    m_connectTimer->start(m_connectTimeoutMs);

    if (m_capture)
        m_capture->addConsumer(this, [this](const QByteArray &pcm) { onAudio(pcm); });
    qCInfo(lcSpeech) << "connecting to" << request.url().toString(QUrl::RemoveQuery);
    m_socket->open(request);
}

void MLRecognizer::stopContinuousRecognition() {
    if (m_state == State::Idle)
        return;
    qCInfo(lcSpeech) << "recognition stopped";
    finish(true);
}

void MLRecognizer::onConnected() {
    if (m_state != State::Connecting)
        return;
    m_state = State::Running;
    if (m_connectTimer)
        m_connectTimer->stop();
    QJsonObject start{
        {QStringLiteral("type"), QStringLiteral("start")},
        {QStringLiteral("mode"), m_translation ? QStringLiteral("translation") : QStringLiteral("speech")},
        {QStringLiteral("language"), m_config.speechRecognitionLanguage()},
        {QStringLiteral("audio"), QJsonObject{{QStringLiteral("encoding"), QStringLiteral("pcm_s16le")},
                                              {QStringLiteral("sampleRate"), MLAudioCapture::kSampleRate},
                                              {QStringLiteral("channels"), 1}}},
    };
    if (m_translation)
        start.insert(QStringLiteral("targets"), QJsonArray::fromStringList(m_config.targetLanguages()));
    m_socket->sendTextMessage(QString::fromUtf8(QJsonDocument(start).toJson(QJsonDocument::Compact)));
    // What was captured while connecting goes first.
    for (qsizetype at = 0; at < m_pending.size(); at += kFrameBytes)
        sendFrame(m_pending.mid(at, kFrameBytes));
    m_pending.clear();
}

void MLRecognizer::onAudio(const QByteArray &pcm) {
    m_frame += pcm;
    while (m_frame.size() >= kFrameBytes) {
        sendFrame(m_frame.left(kFrameBytes));
        m_frame.remove(0, kFrameBytes);
    }
}

void MLRecognizer::sendFrame(const QByteArray &frame) {
    if (m_state == State::Running) {
        m_socket->sendBinaryMessage(frame);
        return;
    }
    m_pending += frame;
    if (m_pending.size() > kMaxPendingBytes)
        m_pending.remove(0, m_pending.size() - kMaxPendingBytes);
}

void MLRecognizer::onTextMessage(const QString &message) {
    if (m_state != State::Running)
        return;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(message.toUtf8(), &error);
    if (!doc.isObject()) {
        qCWarning(lcSpeech) << "ignoring a malformed event:" << error.errorString();
        return;
    }
    const QJsonObject event = doc.object();
    const QString type = event.value(QLatin1String("type")).toString();
    if (type == QLatin1String("recognizing")) {
        Q_EMIT recognizing(resultFrom(event, m_translation ? MLSpeechRecognitionResult::TranslatingSpeech
                                                           : MLSpeechRecognitionResult::RecognizingSpeech));
    } else if (type == QLatin1String("recognized")) {
        Q_EMIT recognized(resultFrom(event, m_translation ? MLSpeechRecognitionResult::TranslatedSpeech
                                                          : MLSpeechRecognitionResult::RecognizedSpeech));
    } else if (type == QLatin1String("started")) {
        Q_EMIT sessionStarted();
    } else if (type == QLatin1String("error")) {
        cancel(event.value(QLatin1String("code")).toString(QStringLiteral("error")),
               event.value(QLatin1String("message")).toString());
    }
    // Other event types are for newer clients.
}

void MLRecognizer::onDisconnected() {
    if (m_state == State::Idle)
        return;
    const bool wasRunning = m_state == State::Running;
    QString details = m_socket->closeReason();
    if (details.isEmpty() && m_socket->error() != QAbstractSocket::UnknownSocketError)
        details = m_socket->errorString();
    if (details.isEmpty())
        details = QStringLiteral("connection closed (%1)").arg(int(m_socket->closeCode()));
    cancel(wasRunning ? QStringLiteral("connection_lost") : QStringLiteral("connection_failed"), details);
}

void MLRecognizer::onSocketError() {
    if (m_state == State::Idle)
        return;
    cancel(m_state == State::Running ? QStringLiteral("connection_lost")
                                     : QStringLiteral("connection_failed"),
           m_socket->errorString());
}

void MLRecognizer::cancel(const QString &code, const QString &details) {
    if (m_state == State::Idle)
        return;
    qCWarning(lcSpeech) << "recognition canceled:" << code << details;
    finish(false);
    MLSpeechRecognitionResult result;
    result.reason = MLSpeechRecognitionResult::Canceled;
    result.errorCode = code;
    result.errorDetails = details;
    Q_EMIT canceled(result);
}

void MLRecognizer::finish(bool graceful) {
    const bool wasRunning = m_state == State::Running;
    m_state = State::Idle;
    if (m_capture)
        m_capture->removeConsumer(this);
    m_frame.clear();
    m_pending.clear();
    // The timer and the socket may be emitting right now, and a listener may destroy the recognizer
    // when told of the end: they leave our ownership and go when control is back in the event loop.
    if (m_connectTimer) {
        m_connectTimer->stop();
        m_connectTimer->setParent(nullptr);
        m_connectTimer->deleteLater();
        m_connectTimer = nullptr;
    }
    if (!m_socket)
        return;
    QWebSocket *socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->setParent(nullptr);
    if (graceful && wasRunning) {
        // Say goodbye, then let the socket go once the endpoint has closed (or after a grace time).
        socket->sendTextMessage(QStringLiteral("{\"type\":\"stop\"}"));
        socket->close(QWebSocketProtocol::CloseCodeNormal, QStringLiteral("stop"));
        connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kCloseGraceMs, socket, &QObject::deleteLater);
    } else {
        socket->abort();
        socket->deleteLater();
    }
}
