#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

#include "platform/audio/MLMediaBackend.h"

// Writes a recording as AAC in an MPEG-4 audio file (.m4a): 12000 Hz, one channel, high quality
// (48 kbit/s), fed with mono signed 16-bit PCM at the input rate given to `open`.
//
// The file is written as fragmented MPEG-4: the header first, then a self-contained fragment about
// every second, each flushed to the file as it completes. A process that is killed mid-recording
// leaves a file that plays up to its last complete fragment; `close` writes the rest.
class MLAudioFileWriter final {
public:
    static constexpr int kSampleRate = 12000;
    static constexpr int kChannels = 1;
    static constexpr int kBitRate = 48000;
    static constexpr int kFragmentMs = 1000;

    MLAudioFileWriter();
    // Closes the file when it is still open.
    ~MLAudioFileWriter();
    MLAudioFileWriter(const MLAudioFileWriter &) = delete;
    MLAudioFileWriter &operator=(const MLAudioFileWriter &) = delete;

    // Creates (or replaces) the file and writes its header. False, with `errorString`, when the
    // file or the encoder cannot be set up; nothing is left on disk then.
    bool open(const QString &path, int inputSampleRate = 16000);
    // Encodes a block of PCM. False once anything has failed; later blocks are then ignored.
    bool write(const QByteArray &pcm);
    // Encodes what is buffered, writes the last fragment and closes the file. False when the file
    // could not be completed (it still holds the fragments written before).
    bool close();

    bool isOpen() const;
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }
    // Input samples accepted so far.
    qint64 samplesWritten() const { return m_samplesWritten; }

private:
    bool fail(const QString &message);

    // FFmpeg is loaded with the first recording (MLMediaBackend).
    std::unique_ptr<MLMediaBackend::AudioEncoder> m_encoder;
    bool m_failed = false;
    QString m_path;
    QString m_error;
    qint64 m_samplesWritten = 0;
};
