#pragma once

#include "platform/audio/MLMediaBackend.h"

#include <QAudioDevice>
#include <QByteArray>
#include <QIODevice>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QElapsedTimer;

class QTimer;
class MLPcmConverter;
class MLWavReader;

// One capture of the microphone shared by every consumer (the recognizer and the session recorder):
// it runs while at least one consumer is registered and hands each block to all of them, always as
// 16 kHz mono signed 16-bit little-endian PCM, whatever the device delivers.
//
// A WAV file can stand in for the microphone (`setInputFile`, or the environment variable
// ML_AUDIO_INPUT). It plays at real-time pace by default and is followed by silence, like a
// microphone in a quiet room; with `setRealTimePace(false)` it is delivered as fast as the event
// loop allows and the capture ends (state Finished) with the file.
//
// A generated signal can stand in as well (`setSource`): 16 kHz mono 16-bit PCM read from a device
// whenever it says it is readable, at whatever pace its writer keeps (the soak runner's simulated
// clock).
//
// The microphone is the system's default input, looked up afresh at every start (a sound server or
// a microphone that came since the last start is found). While the capture runs it looks again every
// `watchInterval`: it follows the default input to another one, takes up one that comes when it had
// none, and closes an input that has gone away (or failed) at once, so nothing reads from a dead
// stream. Having no input device is a normal case: the capture reports NoDevice and consumers get
// nothing; `noInput` and `inputLost` say so, once per event.
// Everything runs on the thread that owns the capture (the main thread).
class MLAudioCapture final : public QObject {
    Q_OBJECT
public:
    static constexpr int kSampleRate = 16000;
    static constexpr int kBytesPerSecond = kSampleRate * 2;

    enum class State {
        Idle,     // no consumer
        Running,  // delivering
        NoDevice, // no microphone and no input file
        Failed,   // the device or the input file could not be opened or read
        Finished, // the input file has been delivered (fast pace only)
    };
    Q_ENUM(State)

    using AudioHandler = std::function<void(const QByteArray &pcm)>;

    // The application's capture.
    static MLAudioCapture *sharedCapture();

    explicit MLAudioCapture(QObject *parent = nullptr);
    ~MLAudioCapture() override;

    // Process-wide input file in place of the microphone; an empty path means the microphone, also
    // when ML_AUDIO_INPUT is set. Read when a capture starts.
    static void setInputFile(const QString &path);
    // The path given to `setInputFile`, else the value of ML_AUDIO_INPUT, else empty.
    static QString inputFile();
    // Process-wide pace of a file input; real time by default. Read when a capture starts.
    static void setRealTimePace(bool realTime);
    static bool realTimePace();

    // Captures `device` instead of the system's default input; a null device means there is none.
    // Inline, and the device kept type-erased, so that only a caller of this links Qt Multimedia: the
    // capture itself opens devices through the media module.
    void setDevice(const QAudioDevice &device) {
        m_deviceSet = true;
        m_device = device.isNull() ? nullptr : std::make_shared<const QAudioDevice>(device);
    }
    // Captures the 16 kHz mono 16-bit PCM that `source` (open for reading) makes readable, in place of
    // any device or input file; nullptr goes back to those. Read when a capture starts; the source
    // must outlive the captures that read it.
    void setSource(QIODevice *source) { m_pcmSource = source; }
    // Takes the inputs from `inputs` in place of the system's (a stand-in of the system's inputs;
    // nullptr goes back to them). It replaces a device given to `setDevice`. Read when a capture starts;
    // `inputs` must outlive the captures that use it.
    void setAudioInputs(MLMediaBackend::AudioInputs *inputs) {
        m_inputs = inputs;
        m_deviceSet = false;
    }
    // How often a running capture of the default input looks at the system's inputs again (500 ms).
    void setWatchInterval(int milliseconds) { m_watchInterval = milliseconds; }
    int watchInterval() const { return m_watchInterval; }

    // Registers (or replaces) the handler of `consumer`; the first consumer starts the capture. The
    // registration ends with `removeConsumer` or when the consumer is destroyed.
    void addConsumer(QObject *consumer, AudioHandler handler);
    // The last consumer leaving stops the capture; a new consumer then starts it afresh (a file
    // input from its beginning).
    void removeConsumer(QObject *consumer);
    int consumerCount() const { return static_cast<int>(m_consumers.size()); }

    State state() const { return m_state; }
    QString errorString() const { return m_error; }

Q_SIGNALS:
    void stateChanged(MLAudioCapture::State state);
    // A capture of the microphone started without one (no input, or one that cannot be opened).
    void noInput();
    // The input of a running capture went away (or failed) and no other input is there to follow.
    void inputLost();

private:
    struct Consumer {
        QPointer<QObject> object;
        AudioHandler handler;
        QMetaObject::Connection destroyedConnection;
    };

    void startCapture();
    void stopCapture();
    void startDevice();
    // Opens the input `id` of the system's inputs and runs on it; false when it cannot.
    bool openInput(const QByteArray &id);
    // Runs on `source`; false when its format cannot be converted.
    bool takeInput(std::unique_ptr<MLMediaBackend::AudioInput> source);
    void closeInput();
    // The watch of a running capture of the default input (see the class comment).
    void watchInputs();
    void startFile(const QString &path);
    void startSource();
    void readDevice();
    void pumpFile();
    void deliver(const QByteArray &pcm);
    void setState(State state, const QString &error = {});

    std::vector<Consumer> m_consumers;
    State m_state = State::Idle;
    QString m_error;
    bool m_deviceSet = false;
    std::shared_ptr<const void> m_device; // a QAudioDevice; null with m_deviceSet: there is none

    QPointer<QIODevice> m_pcmSource;
    std::unique_ptr<MLMediaBackend::AudioInput> m_source;
    MLMediaBackend::AudioInputs *m_inputs = nullptr;
    // The system's inputs while the capture takes the default input (m_inputs or the module's).
    MLMediaBackend::AudioInputs *m_watched = nullptr;
    QByteArray m_inputId;
    // The running input reported an error; an input that failed, or could not be opened, is not
    // opened again while it is listed.
    bool m_inputFailed = false;
    QByteArray m_failedId;
    std::unique_ptr<QTimer> m_watchTimer;
    int m_watchInterval = 500;
    // What the capture reads: the audio input's device, or the PCM source.
    QPointer<QIODevice> m_sourceDevice;
    std::unique_ptr<MLWavReader> m_wav;
    std::unique_ptr<QTimer> m_fileTimer;
    std::unique_ptr<QElapsedTimer> m_fileClock;
    qint64 m_fileSamplesDelivered = 0;
    bool m_fileRealTime = true;
    std::unique_ptr<MLPcmConverter> m_converter;
    // Bumped on every start and stop, so a delivery loop notices that it belongs to a past run.
    quint64 m_generation = 0;
};
