#include "platform/audio/MLPcmConverter.h"

#include "platform/audio/MLMediaBackend.h"

#include <optional>

namespace {

struct InputFormat {
    MLMediaBackend::SampleFormat format;
    int bytesPerSample;
};

std::optional<InputFormat> describe(QAudioFormat::SampleFormat format) {
    switch (format) {
    case QAudioFormat::UInt8:
        return InputFormat{MLMediaBackend::SampleFormat::UInt8, 1};
    case QAudioFormat::Int16:
        return InputFormat{MLMediaBackend::SampleFormat::Int16, 2};
    case QAudioFormat::Int32:
        return InputFormat{MLMediaBackend::SampleFormat::Int32, 4};
    case QAudioFormat::Float:
        return InputFormat{MLMediaBackend::SampleFormat::Float, 4};
    default:
        return std::nullopt;
    }
}

} // namespace

MLPcmConverter::MLPcmConverter(int inputRate, int inputChannels, QAudioFormat::SampleFormat inputFormat,
                               int outputRate)
    : m_inputRate(inputRate)
    , m_outputRate(outputRate) {
    const std::optional<InputFormat> in = describe(inputFormat);
    if (!in || inputRate <= 0 || outputRate <= 0 || inputChannels <= 0)
        return;
    m_bytesPerFrame = in->bytesPerSample * inputChannels;
    // The common case needs no resampler, and so no FFmpeg.
    if (in->format == MLMediaBackend::SampleFormat::Int16 && inputChannels == 1 && inputRate == outputRate) {
        m_passThrough = true;
        return;
    }
    if (MLMediaBackend *backend = MLMediaBackend::instance())
        m_resampler = backend->createResampler(inputRate, inputChannels, in->format, outputRate);
}

MLPcmConverter::~MLPcmConverter() = default;

bool MLPcmConverter::isValid() const {
    return m_passThrough || m_resampler;
}

QByteArray MLPcmConverter::convert(const QByteArray &input) {
    if (!isValid())
        return {};
    // Blocks need not end on a frame boundary (devices deliver what they have).
    QByteArray data = m_partialFrame.isEmpty() ? input : m_partialFrame + input;
    const qsizetype whole = data.size() - data.size() % m_bytesPerFrame;
    m_partialFrame = data.mid(whole);
    data.truncate(whole);
    if (m_passThrough || data.isEmpty())
        return data;
    return run(reinterpret_cast<const uint8_t *>(data.constData()),
               static_cast<int>(data.size() / m_bytesPerFrame));
}

QByteArray MLPcmConverter::flush() {
    m_partialFrame.clear();
    if (!m_resampler)
        return {};
    return run(nullptr, 0);
}

QByteArray MLPcmConverter::run(const uint8_t *input, int frames) {
    return m_resampler->run(input, frames);
}
