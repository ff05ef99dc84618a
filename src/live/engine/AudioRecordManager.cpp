#include "live/engine/AudioRecordManager.h"

#include "platform/audio/MLAudioCapture.h"
#include "platform/audio/MLAudioFileWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>

#include <utility>

namespace {
Q_LOGGING_CATEGORY(lcRecord, "ml.live.record")
}

AudioRecordManager *AudioRecordManager::sharedManager() {
    static QPointer<AudioRecordManager> shared;
    if (!shared)
        shared = new AudioRecordManager(nullptr, QCoreApplication::instance());
    return shared;
}

AudioRecordManager::AudioRecordManager(MLAudioCapture *capture, QObject *parent)
    : QObject(parent)
    , m_capture(capture ? capture : MLAudioCapture::sharedCapture()) {}

AudioRecordManager::~AudioRecordManager() {
    stop();
}

void AudioRecordManager::start(const QString &folder) {
    // A new start replaces the running recording; closing it first keeps its file whole.
    stop();
    m_failureReported = false;
    const QString recordingPath = QStringLiteral("%1/recording.m4a").arg(folder);
    if (!m_capture)
        return;

    // The input first: without one nothing is recorded and no file is made.
    auto recorder = std::make_unique<MLAudioFileWriter>();
    MLAudioFileWriter *writer = recorder.get();
    m_capture->addConsumer(this, [this, writer](const QByteArray &pcm) {
        if (!writer->write(pcm))
            reportFailure(writer->errorString());
    });
    if (m_capture->state() != MLAudioCapture::State::Running) {
        qCInfo(lcRecord) << "no recording, the audio input is unavailable:" << m_capture->errorString();
        m_capture->removeConsumer(this);
        return;
    }
    m_captureSession = m_capture;

    if (!recorder->open(recordingPath, MLAudioCapture::kSampleRate)) {
        m_captureSession->removeConsumer(this);
        m_captureSession.clear();
        reportFailure(recorder->errorString());
        return;
    }
    m_audioRecorder = std::move(recorder);
    qCInfo(lcRecord) << "recording into" << recordingPath;
}

void AudioRecordManager::stop() {
    if (m_captureSession)
        m_captureSession->removeConsumer(this);
    m_captureSession.clear();
    if (m_audioRecorder) {
        // Taken out first: a listener told of the failure may start or stop the recorder again.
        const std::unique_ptr<MLAudioFileWriter> recorder = std::move(m_audioRecorder);
        if (!recorder->close())
            reportFailure(recorder->errorString());
    }
}

void AudioRecordManager::reportFailure(const QString &reason) {
    if (std::exchange(m_failureReported, true))
        return;
    qCWarning(lcRecord) << "the recording cannot be written:" << reason;
    Q_EMIT recordingFailed(reason);
}

void AudioRecordManager::startWriteTxt(const QString &text, const QString &path) {
    writeTranscript(text, path);
}

bool AudioRecordManager::writeTranscript(const QString &text, const QString &path) {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString folder = QDir::cleanPath(documents + QLatin1Char('/') + path);
    // The folder is one of ours under Documents; anything else is not written to.
    if (path.isEmpty() || documents.isEmpty() ||
        !folder.startsWith(QDir::cleanPath(documents) + QLatin1Char('/'))) {
        qCWarning(lcRecord) << "no transcript written: not a session folder:" << path;
        return false;
    }
    QSaveFile file(QStringLiteral("%1/recording.txt").arg(folder));
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        qCWarning(lcRecord) << "transcript not written:" << file.fileName() << file.errorString();
        return false;
    }
    return true;
}
