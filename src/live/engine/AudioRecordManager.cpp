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
    m_transcriptFailureReported = false;
    if (!m_capture)
        return;

    // The recorder listens for the whole session: without an input at the start, the file is made
    // with the first sound of one that comes, and a session that never hears one leaves no file.
    const QString recordingPath = QStringLiteral("%1/recording.m4a").arg(folder);
    m_captureSession = m_capture;
    m_capture->addConsumer(this, [this, recordingPath](const QByteArray &pcm) {
        if (!m_audioRecorder && !openRecording(recordingPath))
            return;
        if (!m_audioRecorder->write(pcm))
            reportFailure(m_audioRecorder->errorString());
    });
    if (m_capture->state() == MLAudioCapture::State::Running) {
        if (!m_audioRecorder)
            openRecording(recordingPath); // now, so that a folder that cannot take it is told at once
    } else {
        qCInfo(lcRecord) << "recording from the first sound; the audio input is unavailable:"
                         << m_capture->errorString();
    }
}

bool AudioRecordManager::openRecording(const QString &path) {
    auto recorder = std::make_unique<MLAudioFileWriter>();
    if (!recorder->open(path, MLAudioCapture::kSampleRate)) {
        // Nothing more is tried in this session.
        if (m_captureSession)
            m_captureSession->removeConsumer(this);
        m_captureSession.clear();
        reportFailure(recorder->errorString());
        return false;
    }
    m_audioRecorder = std::move(recorder);
    qCInfo(lcRecord) << "recording into" << path;
    return true;
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

bool AudioRecordManager::startWriteTxt(const QString &text, const QString &path) {
    QString error;
    if (writeTranscript(text, path, &error))
        return true;
    if (!m_transcriptFailureReported.exchange(true))
        Q_EMIT transcriptFailed(path, error);
    return false;
}

bool AudioRecordManager::writeTranscript(const QString &text, const QString &path, QString *error) {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString folder = QDir::cleanPath(documents + QLatin1Char('/') + path);
    // The folder is one of ours under Documents; anything else is not written to.
    if (path.isEmpty() || documents.isEmpty() ||
        !folder.startsWith(QDir::cleanPath(documents) + QLatin1Char('/'))) {
        qCWarning(lcRecord) << "no transcript written: not a session folder:" << path;
        if (error)
            *error = QStringLiteral("not a session folder");
        return false;
    }
    const QString file = QStringLiteral("%1/recording.txt").arg(folder);
    QString reason;
    if (!saveWhole(file, text.toUtf8(), &reason)) {
        qCWarning(lcRecord) << "transcript not written:" << file << reason;
        if (error)
            *error = reason;
        return false;
    }
    return true;
}

bool AudioRecordManager::saveWhole(const QString &path, const QByteArray &bytes, QString *error) {
    QSaveFile file(path);
    // Unbuffered, so that a write that fails (a full disk) fails here, where it is seen: a buffered
    // one would fail only in the flush of `commit`, which then puts the cut file in place.
    const bool saved = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                       file.write(bytes) == bytes.size() && file.error() == QFileDevice::NoError;
    if (saved && file.commit())
        return true;
    if (error) // a short write sets no error of its own
        *error = file.error() != QFileDevice::NoError ? file.errorString()
                                                      : QStringLiteral("the disk took only part of the file");
    file.cancelWriting(); // the temporary file goes, the old file stays
    return false;
}
