// The media module (libml_media.so): MLMediaBackend on FFmpeg. Loaded by MLMediaBackend::instance
// the first time a recording, a resampler or a duration is needed.
#include "platform/audio/MLMediaBackend.h"
#include "platform/ffmpeg/MLDeviceInput.h"

#include <QFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <vector>

namespace {

QString avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

// FFmpeg's informational lines (encoder statistics) are not ours to print.
void quietLog() {
    if (av_log_get_level() > AV_LOG_ERROR)
        av_log_set_level(AV_LOG_ERROR);
}

// AAC in fragmented MPEG-4: the header first, then a self-contained fragment every `fragmentMs`,
// each flushed to the file as it completes.
class Encoder final : public MLMediaBackend::AudioEncoder {
public:
    ~Encoder() override {
        av_packet_free(&m_packet);
        av_frame_free(&m_frame);
        if (m_fifo)
            av_audio_fifo_free(m_fifo);
        swr_free(&m_swr);
        avcodec_free_context(&m_codec);
        if (m_format) {
            avio_closep(&m_format->pb);
            avformat_free_context(m_format);
        }
    }

    bool open(const QString &path, int inputSampleRate, int sampleRate, int channels, int bitRate,
              int fragmentMs, QString &error) override {
        const auto abandon = [&](const QString &message) {
            error = message;
            const bool created = m_format && m_format->pb;
            if (m_format)
                avio_closep(&m_format->pb);
            if (created)
                QFile::remove(path);
            return false;
        };
        quietLog();
        // "ipod" is the MPEG-4 muxer with the .m4a brand.
        int rc =
            avformat_alloc_output_context2(&m_format, nullptr, "ipod", QFile::encodeName(path).constData());
        if (rc < 0 || !m_format)
            return abandon(QStringLiteral("no MPEG-4 muxer: %1").arg(avError(rc)));
        const AVCodec *aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!aac)
            return abandon(QStringLiteral("no AAC encoder"));
        m_codec = avcodec_alloc_context3(aac);
        m_codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
        m_codec->sample_rate = sampleRate;
        av_channel_layout_default(&m_codec->ch_layout, channels);
        m_codec->bit_rate = bitRate;
        m_codec->time_base = AVRational{1, sampleRate};
        if (m_format->oformat->flags & AVFMT_GLOBALHEADER)
            m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((rc = avcodec_open2(m_codec, aac, nullptr)) < 0)
            return abandon(QStringLiteral("cannot open the AAC encoder: %1").arg(avError(rc)));

        m_stream = avformat_new_stream(m_format, nullptr);
        if (!m_stream)
            return abandon(QStringLiteral("cannot add the audio stream"));
        m_stream->time_base = m_codec->time_base;
        if ((rc = avcodec_parameters_from_context(m_stream->codecpar, m_codec)) < 0)
            return abandon(QStringLiteral("cannot describe the audio stream: %1").arg(avError(rc)));

        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        if (swr_alloc_set_opts2(&m_swr, &m_codec->ch_layout, AV_SAMPLE_FMT_FLTP, sampleRate, &mono,
                                AV_SAMPLE_FMT_S16, inputSampleRate, 0, nullptr) < 0 ||
            swr_init(m_swr) < 0)
            return abandon(QStringLiteral("cannot resample from %1 Hz").arg(inputSampleRate));
        m_fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, channels, m_codec->frame_size * 4);
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        if (!m_fifo || !m_frame || !m_packet)
            return abandon(QStringLiteral("out of memory"));

        // The "file:" prefix keeps a colon in the path from being read as a protocol name.
        const QByteArray url = "file:" + QFile::encodeName(path);
        if ((rc = avio_open(&m_format->pb, url.constData(), AVIO_FLAG_WRITE)) < 0)
            return abandon(QStringLiteral("cannot create the file: %1").arg(avError(rc)));

        AVDictionary *options = nullptr;
        av_dict_set(&options, "movflags", "empty_moov+default_base_moof", 0);
        av_dict_set_int(&options, "frag_duration", int64_t(fragmentMs) * 1000, 0);
        av_dict_set(&options, "flush_packets", "1", 0);
        rc = avformat_write_header(m_format, &options);
        av_dict_free(&options);
        if (rc < 0)
            return abandon(QStringLiteral("cannot write the file header: %1").arg(avError(rc)));
        m_headerWritten = true;
        avio_flush(m_format->pb);
        return true;
    }

    bool write(const QByteArray &pcm, QString &error) override {
        const int inSamples = static_cast<int>(pcm.size() / 2);
        if (inSamples == 0)
            return true;
        const int capacity = swr_get_out_samples(m_swr, inSamples);
        if (capacity > 0) {
            std::vector<float> converted(size_t(capacity) * m_codec->ch_layout.nb_channels);
            uint8_t *out[] = {reinterpret_cast<uint8_t *>(converted.data())};
            const uint8_t *in[] = {reinterpret_cast<const uint8_t *>(pcm.constData())};
            const int produced = swr_convert(m_swr, out, capacity, in, inSamples);
            if (produced < 0) {
                error = QStringLiteral("resampling failed: %1").arg(avError(produced));
                return false;
            }
            if (produced > 0 &&
                av_audio_fifo_write(m_fifo, reinterpret_cast<void **>(out), produced) < produced) {
                error = QStringLiteral("out of memory");
                return false;
            }
        }
        return encodeBuffered(false, error);
    }

    bool finish(bool encodeRest, QString &error) override {
        bool ok = false;
        if (encodeRest) {
            // What the resampler still holds, then every buffered sample, then the encoder's tail.
            const int capacity = swr_get_out_samples(m_swr, 0);
            if (capacity > 0) {
                std::vector<float> tail(size_t(capacity) * m_codec->ch_layout.nb_channels);
                uint8_t *out[] = {reinterpret_cast<uint8_t *>(tail.data())};
                const int produced = swr_convert(m_swr, out, capacity, nullptr, 0);
                if (produced > 0)
                    av_audio_fifo_write(m_fifo, reinterpret_cast<void **>(out), produced);
            }
            ok = encodeBuffered(true, error) && sendFrame(true, error);
        } else {
            ok = false;
        }
        if (m_headerWritten) {
            const int rc = av_write_trailer(m_format);
            if (rc < 0 && ok) {
                error = QStringLiteral("cannot finish the file: %1").arg(avError(rc));
                ok = false;
            }
        }
        if (m_format->pb && m_format->pb->error < 0 && ok) {
            error = QStringLiteral("cannot write to the file: %1").arg(avError(m_format->pb->error));
            ok = false;
        }
        return ok;
    }

private:
    bool encodeBuffered(bool final, QString &error) {
        const int frameSize = m_codec->frame_size;
        while (av_audio_fifo_size(m_fifo) >= frameSize || (final && av_audio_fifo_size(m_fifo) > 0)) {
            if (!sendFrame(false, error))
                return false;
        }
        return true;
    }

    bool sendFrame(bool flush, QString &error) {
        int rc = 0;
        if (flush) {
            rc = avcodec_send_frame(m_codec, nullptr);
        } else {
            const int frameSize = m_codec->frame_size;
            const int available = av_audio_fifo_size(m_fifo);
            const bool smallLastFrame = m_codec->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
            // A short last frame is padded with silence unless the encoder takes it as it is.
            const int samples = available >= frameSize || !smallLastFrame ? frameSize : available;
            av_frame_unref(m_frame);
            m_frame->nb_samples = samples;
            m_frame->format = m_codec->sample_fmt;
            m_frame->sample_rate = m_codec->sample_rate;
            av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout);
            if ((rc = av_frame_get_buffer(m_frame, 0)) < 0) {
                error = QStringLiteral("out of memory");
                return false;
            }
            av_samples_set_silence(m_frame->data, 0, samples, m_codec->ch_layout.nb_channels,
                                   m_codec->sample_fmt);
            av_audio_fifo_read(m_fifo, reinterpret_cast<void **>(m_frame->data), qMin(available, samples));
            m_frame->pts = m_nextPts;
            m_nextPts += samples;
            rc = avcodec_send_frame(m_codec, m_frame);
        }
        if (rc < 0) {
            error = QStringLiteral("encoding failed: %1").arg(avError(rc));
            return false;
        }
        for (;;) {
            rc = avcodec_receive_packet(m_codec, m_packet);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc < 0) {
                error = QStringLiteral("encoding failed: %1").arg(avError(rc));
                return false;
            }
            av_packet_rescale_ts(m_packet, m_codec->time_base, m_stream->time_base);
            m_packet->stream_index = m_stream->index;
            rc = av_interleaved_write_frame(m_format, m_packet);
            if (rc < 0) {
                error = QStringLiteral("cannot write to the file: %1").arg(avError(rc));
                return false;
            }
        }
    }

    AVFormatContext *m_format = nullptr;
    AVCodecContext *m_codec = nullptr;
    AVStream *m_stream = nullptr;
    SwrContext *m_swr = nullptr;
    AVAudioFifo *m_fifo = nullptr;
    AVFrame *m_frame = nullptr;
    AVPacket *m_packet = nullptr;
    int64_t m_nextPts = 0;
    bool m_headerWritten = false;
};

class Resampler final : public MLMediaBackend::Resampler {
public:
    explicit Resampler(SwrContext *swr)
        : m_swr(swr) {}
    ~Resampler() override { swr_free(&m_swr); }

    QByteArray run(const uint8_t *input, int frames) override {
        const int capacity = swr_get_out_samples(m_swr, frames);
        if (capacity <= 0)
            return {};
        QByteArray out(qsizetype(capacity) * 2, Qt::Uninitialized);
        uint8_t *outPlanes[] = {reinterpret_cast<uint8_t *>(out.data())};
        const uint8_t *inPlanes[] = {input};
        const int produced = swr_convert(m_swr, outPlanes, capacity, input ? inPlanes : nullptr, frames);
        out.truncate(produced > 0 ? qsizetype(produced) * 2 : 0);
        return out;
    }

private:
    SwrContext *m_swr;
};

AVSampleFormat avFormat(MLMediaBackend::SampleFormat format) {
    switch (format) {
    case MLMediaBackend::SampleFormat::UInt8:
        return AV_SAMPLE_FMT_U8;
    case MLMediaBackend::SampleFormat::Int16:
        return AV_SAMPLE_FMT_S16;
    case MLMediaBackend::SampleFormat::Int32:
        return AV_SAMPLE_FMT_S32;
    case MLMediaBackend::SampleFormat::Float:
        return AV_SAMPLE_FMT_FLT;
    }
    return AV_SAMPLE_FMT_NONE;
}

struct InputCloser {
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};

// The end of the last packet of `streamIndex`, in seconds.
std::optional<double> measureByPackets(AVFormatContext *format, int streamIndex) {
    const AVRational timeBase = format->streams[streamIndex]->time_base;
    int64_t end = AV_NOPTS_VALUE;
    int64_t start = AV_NOPTS_VALUE;
    std::unique_ptr<AVPacket, void (*)(AVPacket *)> packet(av_packet_alloc(),
                                                           [](AVPacket *p) { av_packet_free(&p); });
    while (av_read_frame(format, packet.get()) >= 0) {
        if (packet->stream_index == streamIndex && packet->pts != AV_NOPTS_VALUE) {
            if (start == AV_NOPTS_VALUE || packet->pts < start)
                start = packet->pts;
            end = qMax(end == AV_NOPTS_VALUE ? packet->pts : end, packet->pts + packet->duration);
        }
        av_packet_unref(packet.get());
    }
    if (end == AV_NOPTS_VALUE)
        return std::nullopt;
    return double(end - qMax<int64_t>(0, start)) * av_q2d(timeBase);
}

class FFmpegBackend final : public MLMediaBackend {
public:
    std::unique_ptr<AudioEncoder> createAudioEncoder() override { return std::make_unique<Encoder>(); }

    std::unique_ptr<MLMediaBackend::Resampler> createResampler(int inputRate, int inputChannels,
                                                               SampleFormat format, int outputRate) override {
        AVChannelLayout inLayout;
        av_channel_layout_default(&inLayout, inputChannels);
        AVChannelLayout outLayout = AV_CHANNEL_LAYOUT_MONO;
        SwrContext *swr = nullptr;
        const bool ok = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, outputRate, &inLayout,
                                            avFormat(format), inputRate, 0, nullptr) >= 0 &&
                        swr_init(swr) >= 0;
        av_channel_layout_uninit(&inLayout);
        if (!ok) {
            swr_free(&swr);
            return nullptr;
        }
        return std::make_unique<::Resampler>(swr);
    }

    std::optional<double> durationSeconds(const QString &path) override {
        quietLog();
        AVFormatContext *raw = nullptr;
        const QByteArray url = "file:" + QFile::encodeName(path);
        if (avformat_open_input(&raw, url.constData(), nullptr, nullptr) < 0)
            return std::nullopt;
        std::unique_ptr<AVFormatContext, InputCloser> format(raw);
        if (avformat_find_stream_info(format.get(), nullptr) < 0)
            return std::nullopt;
        const int audio = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (audio >= 0) {
            const AVStream *stream = format->streams[audio];
            if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
                return double(stream->duration) * av_q2d(stream->time_base);
        }
        if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
            return double(format->duration) / AV_TIME_BASE;
        if (audio < 0)
            return std::nullopt;
        return measureByPackets(format.get(), audio);
    }

    std::unique_ptr<AudioInput> openAudioInput(const void *device, int preferredRate,
                                               std::function<void()> onError, bool &noDevice,
                                               QString &error) override {
        return ml::media::openDeviceInput(device, preferredRate, std::move(onError), noDevice, error);
    }

    AudioInputs &audioInputs() override { return ml::media::systemInputs(); }
};

} // namespace

extern "C" Q_DECL_EXPORT MLMediaBackend *ml_media_backend() {
    static FFmpegBackend backend;
    return &backend;
}
