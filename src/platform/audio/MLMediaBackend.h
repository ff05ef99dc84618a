#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QString>

class QIODevice;

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// The heavy half of the audio layer: FFmpeg's AAC recording encoder, PCM resampler and media reader,
// and the microphone's device input through Qt Multimedia (and the sound server's client libraries).
// It lives in a module of its own (libml_media.so, built from src/platform/ffmpeg/) that is loaded on
// first use, so an app that records, captures and measures nothing never loads FFmpeg, Qt Multimedia
// and their libraries. MLAudioFileWriter, MLPcmConverter, MLMediaInfo and MLAudioCapture are the only
// users.
//
// The module is found as every module of the app is (MLModule).
class MLMediaBackend {
public:
    // Writes one recording; see MLAudioFileWriter for the format.
    class AudioEncoder {
    public:
        virtual ~AudioEncoder() = default;
        // Creates the file and writes its header; on failure `error` tells why and nothing is left.
        virtual bool open(const QString &path, int inputSampleRate, int sampleRate, int channels, int bitRate,
                          int fragmentMs, QString &error) = 0;
        // Mono signed 16-bit PCM; on failure `error` tells why.
        virtual bool write(const QByteArray &pcm, QString &error) = 0;
        // Encodes what is buffered (unless `encodeRest` is false, after a failure) and finishes the
        // file; false when it could not be completed or `encodeRest` is false.
        virtual bool finish(bool encodeRest, QString &error) = 0;
    };

    // Interleaved PCM to mono signed 16-bit at another rate.
    class Resampler {
    public:
        virtual ~Resampler() = default;
        // `frames` frames of input; nullptr with 0 frames drains what is held.
        virtual QByteArray run(const uint8_t *input, int frames) = 0;
    };

    enum class SampleFormat { UInt8, Int16, Int32, Float };

    // An open audio input device (Qt Multimedia lives in the module too, so the app loads it with the
    // first microphone capture, not at start).
    class AudioInput {
    public:
        virtual ~AudioInput() = default;
        // The format the device delivers.
        virtual int sampleRate() const = 0;
        virtual int channelCount() const = 0;
        virtual QAudioFormat::SampleFormat sampleFormat() const = 0;
        // The device's data, read when it signals readyRead; valid while this lives.
        virtual QIODevice *data() = 0;
        virtual QString description() const = 0;
    };
    // Opens `device` (a QAudioDevice; nullptr for the system's default input) in 16-bit mono at
    // `preferredRate` when it can, else in its preferred format, and starts it. Nothing when there is
    // no device (`noDevice` set) or it cannot be opened (`error` tells why). `onError` runs when the
    // running device stops with an error.
    virtual std::unique_ptr<AudioInput> openAudioInput(const void *device, int preferredRate,
                                                       std::function<void()> onError, bool &noDevice,
                                                       QString &error) = 0;

    // The system's audio inputs, asked afresh on every call (a sound server started, a source plugged
    // in or removed, another default chosen since the last call are seen), each named by its id.
    class AudioInputs {
    public:
        virtual ~AudioInputs() = default;
        // The system's default input; empty when there is none (no sound server, no source).
        virtual QByteArray defaultInput() = 0;
        // Whether the input `id` is still there.
        virtual bool hasInput(const QByteArray &id) = 0;
        // Opens and starts the input `id` as openAudioInput does; nothing, with `error` telling why,
        // when it cannot.
        virtual std::unique_ptr<AudioInput> openInput(const QByteArray &id, int preferredRate,
                                                      std::function<void()> onError, QString &error) = 0;
    };
    // The system's inputs (main thread only: the sound server's client lives there).
    virtual AudioInputs &audioInputs() = 0;

    virtual ~MLMediaBackend() = default;

    virtual std::unique_ptr<AudioEncoder> createAudioEncoder() = 0;
    // Nothing when the conversion cannot be set up.
    virtual std::unique_ptr<Resampler> createResampler(int inputRate, int inputChannels, SampleFormat format,
                                                       int outputRate) = 0;
    virtual std::optional<double> durationSeconds(const QString &path) = 0;

    // The module, loaded on the first call (from any thread); nullptr, with a warning logged once,
    // when it cannot be loaded. `error` then tells why.
    static MLMediaBackend *instance(QString *error = nullptr);
    // What the user is told when the module cannot be loaded (MLModule::notLoadedNotice).
    static QString notLoadedNotice();
    // Loads the module on a worker thread, once, and then reads the system's inputs once on the
    // thread that asked, so that the first recording or capture finds both ready. Call it where a
    // capture is about to be likely (a live page shown); `instance` waits for a load in progress.
    static void preload();
};

// The one entry point of the module.
extern "C" MLMediaBackend *ml_media_backend();
