#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class MLAudioCapture;
class MLAudioFileWriter;

// Records the microphone for the length of a live session into "recording.m4a" of the session
// folder, and writes the session transcript "recording.txt" next to it. Failures are reported to
// nobody: without a microphone, or with a file that cannot be created, the session runs on without
// a recording. Main thread only.
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

    bool isRecording() const { return m_audioRecorder != nullptr; }

private:
    QPointer<MLAudioCapture> m_capture;
    // The capture while this recorder consumes it; none when idle.
    QPointer<MLAudioCapture> m_captureSession;
    std::unique_ptr<MLAudioFileWriter> m_audioRecorder;
};
