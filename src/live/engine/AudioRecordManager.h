#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <memory>

class MLAudioCapture;
class MLAudioFileWriter;

// Records the microphone for the length of a live session into "recording.m4a" of the session
// folder, and writes the session transcript "recording.txt" next to it. A session that starts without
// a microphone is recorded from the first sound of one that comes; one that never hears a microphone
// leaves no recording, silently. A recording that cannot be written (a folder that is gone, a full
// disk) is told once through `recordingFailed`, and the session runs on without it. A transcript is
// saved whole or not at all (the previous one is kept); one that cannot be saved is told once per
// start through `transcriptFailed`. Main thread only, but for `startWriteTxt` and `writeTranscript`.
class AudioRecordManager final : public QObject {
    Q_OBJECT
public:
    // The application's recorder, on the shared capture.
    static AudioRecordManager *sharedManager();

    // A recorder on `capture` (the shared capture when null).
    explicit AudioRecordManager(MLAudioCapture *capture = nullptr, QObject *parent = nullptr);
    // Stops a running recording, which closes its file.
    ~AudioRecordManager() override;

    // Starts recording into "<folder>/recording.m4a"; `folder` is absolute and exists. The file is made
    // at once when the capture runs, else with the first sound it delivers. A recording already
    // running is closed first.
    void start(const QString &folder);
    // Stops the capture and closes the recording; nothing when none runs.
    void stop();
    // Writes `text` as UTF-8 into "recording.txt" of `path`, a folder relative to the user's
    // Documents directory, replacing an existing file atomically. Callable from any thread; false,
    // and told through `transcriptFailed`, when the transcript could not be saved.
    bool startWriteTxt(const QString &text, const QString &path);
    // What `startWriteTxt` does, without telling anybody; false when nothing was written.
    static bool writeTranscript(const QString &text, const QString &path, QString *error = nullptr);
    // Replaces the file at `path` by `bytes`, whole or not at all: every byte is written and checked
    // before the file takes the old one's place, so a full disk leaves the old file as it was.
    static bool saveWhole(const QString &path, const QByteArray &bytes, QString *error = nullptr);

    // A recording file is open (from `start` while the capture runs, else from its first sound).
    bool isRecording() const { return m_audioRecorder != nullptr; }

Q_SIGNALS:
    // The recording of the current session cannot be written; at most once per `start`.
    void recordingFailed(const QString &reason);
    // A transcript into the folder `path` (as given to `startWriteTxt`) could not be saved; at most
    // once per `start`. May be emitted on the thread that wrote.
    void transcriptFailed(const QString &path, const QString &reason);

private:
    // Makes the recording file at `path`; on failure tells it and stops listening for this session.
    bool openRecording(const QString &path);
    void reportFailure(const QString &reason);

    bool m_failureReported = false;
    std::atomic_bool m_transcriptFailureReported = false;
    QPointer<MLAudioCapture> m_capture;
    // The capture while this recorder consumes it; none when idle.
    QPointer<MLAudioCapture> m_captureSession;
    std::unique_ptr<MLAudioFileWriter> m_audioRecorder;
};
