#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class MLAudioCapture;
class MLAudioFileWriter;

// Records the microphone for the length of a live session into "recording.m4a" of the session
// folder, and writes the session transcript "recording.txt" next to it. Without a microphone the
// session runs on without a recording, silently; a recording that cannot be written (a folder that
// is gone, a full disk) is told once through `recordingFailed`, and the session runs on without it.
// Main thread only, but for `writeTranscript`.
class AudioRecordManager final : public QObject {
    Q_OBJECT
public:
    // The application's recorder, on the shared capture.
    static AudioRecordManager *sharedManager();

    // A recorder on `capture` (the shared capture when null).
    explicit AudioRecordManager(MLAudioCapture *capture = nullptr, QObject *parent = nullptr);
    // Stops a running recording, which closes its file.
    ~AudioRecordManager() override;

    // Starts recording into "<folder>/recording.m4a"; `folder` is absolute and exists. A recording
    // already running is closed first.
    void start(const QString &folder);
    // Stops the capture and closes the recording; nothing when none runs.
    void stop();
    // Writes `text` as UTF-8 into "recording.txt" of `path`, a folder relative to the user's
    // Documents directory, replacing an existing file atomically.
    void startWriteTxt(const QString &text, const QString &path);
    // What `startWriteTxt` does, callable from any thread; false when nothing was written.
    static bool writeTranscript(const QString &text, const QString &path);

    bool isRecording() const { return m_audioRecorder != nullptr; }

Q_SIGNALS:
    // The recording of the current session cannot be written; at most once per `start`.
    void recordingFailed(const QString &reason);

private:
    void reportFailure(const QString &reason);

    bool m_failureReported = false;
    QPointer<MLAudioCapture> m_capture;
    // The capture while this recorder consumes it; none when idle.
    QPointer<MLAudioCapture> m_captureSession;
    std::unique_ptr<MLAudioFileWriter> m_audioRecorder;
};
