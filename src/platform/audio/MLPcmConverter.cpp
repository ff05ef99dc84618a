#include "platform/audio/MLPcmConverter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

struct MLPcmConverter::Resampler {
    SwrContext *swr = nullptr;
    ~Resampler() { swr_free(&swr); }
};

namespace {

AVSampleFormat avFormat(QAudioFormat::SampleFormat format) {
    switch (format) {
    case QAudioFormat::UInt8:
        return AV_SAMPLE_FMT_U8;
    case QAudioFormat::Int16:
        return AV_SAMPLE_FMT_S16;
    case QAudioFormat::Int32:
        return AV_SAMPLE_FMT_S32;
    case QAudioFormat::Float:
        return AV_SAMPLE_FMT_FLT;
    default:
        return AV_SAMPLE_FMT_NONE;
    }
}

} // namespace

MLPcmConverter::MLPcmConverter(int inputRate, int inputChannels, QAudioFormat::SampleFormat inputFormat,
                               int outputRate)
    : m_inputRate(inputRate)
    , m_outputRate(outputRate) {
    const AVSampleFormat in = avFormat(inputFormat);
    if (in == AV_SAMPLE_FMT_NONE || inputRate <= 0 || outputRate <= 0 || inputChannels <= 0)
        return;
    m_bytesPerFrame = av_get_bytes_per_sample(in) * inputChannels;
    if (in == AV_SAMPLE_FMT_S16 && inputChannels == 1 && inputRate == outputRate) {
        m_passThrough = true;
        return;
    }
    AVChannelLayout inLayout;
    av_channel_layout_default(&inLayout, inputChannels);
    AVChannelLayout outLayout = AV_CHANNEL_LAYOUT_MONO;
    auto resampler = std::make_unique<Resampler>();
    if (swr_alloc_set_opts2(&resampler->swr, &outLayout, AV_SAMPLE_FMT_S16, outputRate, &inLayout, in,
                            inputRate, 0, nullptr) < 0 ||
        swr_init(resampler->swr) < 0) {
        av_channel_layout_uninit(&inLayout);
        return;
    }
    av_channel_layout_uninit(&inLayout);
    m_resampler = std::move(resampler);
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
    const int capacity = swr_get_out_samples(m_resampler->swr, frames);
    if (capacity <= 0)
        return {};
    QByteArray out(qsizetype(capacity) * 2, Qt::Uninitialized);
    uint8_t *outPlanes[] = {reinterpret_cast<uint8_t *>(out.data())};
    const uint8_t *inPlanes[] = {input};
    const int produced =
        swr_convert(m_resampler->swr, outPlanes, capacity, input ? inPlanes : nullptr, frames);
    out.truncate(produced > 0 ? qsizetype(produced) * 2 : 0);
    return out;
}
