#pragma once

#include <QAudioFormat>
#include <QByteArray>

#include "platform/audio/MLMediaBackend.h"

#include <memory>

// Converts interleaved PCM of any rate, channel count and QAudioFormat sample format into mono
// signed 16-bit samples at `outputRate` (channels mixed down, rate resampled). Stateful: feed the
// blocks of one stream in order; `flush` returns what the resampler still holds at the end.
class MLPcmConverter final {
public:
    MLPcmConverter(int inputRate, int inputChannels, QAudioFormat::SampleFormat inputFormat, int outputRate);
    ~MLPcmConverter();
    MLPcmConverter(const MLPcmConverter &) = delete;
    MLPcmConverter &operator=(const MLPcmConverter &) = delete;

    // False when the input format cannot be converted (the converter then yields nothing).
    bool isValid() const;
    // True when the input already is the output format and blocks pass unchanged.
    bool isPassThrough() const { return m_passThrough; }

    QByteArray convert(const QByteArray &input);
    QByteArray flush();

private:
    QByteArray run(const uint8_t *input, int frames);

    std::unique_ptr<MLMediaBackend::Resampler> m_resampler;
    int m_inputRate;
    int m_outputRate;
    int m_bytesPerFrame = 0;
    bool m_passThrough = false;
    QByteArray m_partialFrame;
};
