#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QFile>
#include <QString>

// Reads the samples of a RIFF/WAVE file in blocks: integer PCM of 8, 16, 24 or 32 bits and 32-bit
// float, plain or in the extensible header. 24-bit samples are widened to 32 bits on reading, so
// every block is interleaved in one of QAudioFormat's sample formats.
class MLWavReader final {
public:
    MLWavReader() = default;

    // Opens the file and reads its header. False (and an error text) for anything that is not a
    // WAV file of a supported sample format; what is not a regular file (a FIFO, a device, a folder)
    // is refused before it is opened, since opening or reading it may never end.
    bool open(const QString &path);
    QString errorString() const { return m_error; }

    int sampleRate() const { return m_sampleRate; }
    int channelCount() const { return m_channels; }
    QAudioFormat::SampleFormat sampleFormat() const { return m_format; }
    // Sample frames (one sample per channel) in the file.
    qint64 frameCount() const { return m_frameCount; }

    // Up to `maxFrames` frames from the current position; empty at the end.
    QByteArray read(qint64 maxFrames);
    bool atEnd() const { return m_framesRead >= m_frameCount; }

private:
    bool fail(const QString &message);

    QFile m_file;
    QString m_error;
    int m_sampleRate = 0;
    int m_channels = 0;
    int m_bitsPerSample = 0;
    QAudioFormat::SampleFormat m_format = QAudioFormat::Unknown;
    qint64 m_frameCount = 0;
    qint64 m_framesRead = 0;
};
