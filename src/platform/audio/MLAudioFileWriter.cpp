#include "platform/audio/MLAudioFileWriter.h"

#include <QFile>
#include <QLoggingCategory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

namespace {

Q_LOGGING_CATEGORY(lcAudio, "ml.audio")

QString avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace

struct MLAudioFileWriter::Encoder {
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    AVStream *stream = nullptr;
    SwrContext *swr = nullptr;
    AVAudioFifo *fifo = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    int64_t nextPts = 0;
    bool headerWritten = false;
    bool failed = false;

    ~Encoder() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        if (fifo)
            av_audio_fifo_free(fifo);
        swr_free(&swr);
        avcodec_free_context(&codec);
        if (format) {
            avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

MLAudioFileWriter::MLAudioFileWriter() = default;

MLAudioFileWriter::~MLAudioFileWriter() {
    if (isOpen())
        close();
}

bool MLAudioFileWriter::isOpen() const {
    return m_encoder != nullptr;
}

bool MLAudioFileWriter::fail(const QString &message) {
    if (m_error.isEmpty())
        m_error = message;
    if (m_encoder)
        m_encoder->failed = true;
    qCWarning(lcAudio) << "recording" << m_path << ":" << message;
    return false;
}

bool MLAudioFileWriter::open(const QString &path, int inputSampleRate) {
    if (isOpen())
        close();
    m_path = path;
    m_error.clear();
    m_samplesWritten = 0;
    auto e = std::make_unique<Encoder>();
    m_encoder = std::move(e);
    Encoder &enc = *m_encoder;
    const auto abandon = [this](const QString &message) {
        fail(message);
        const bool created = m_encoder->format && m_encoder->format->pb;
        m_encoder.reset();
        if (created)
            QFile::remove(m_path);
        return false;
    };

    // FFmpeg's informational lines (encoder statistics) are not ours to print.
    if (av_log_get_level() > AV_LOG_ERROR)
        av_log_set_level(AV_LOG_ERROR);
    // "ipod" is the MPEG-4 muxer with the .m4a brand.
    int rc =
        avformat_alloc_output_context2(&enc.format, nullptr, "ipod", QFile::encodeName(path).constData());
    if (rc < 0 || !enc.format)
        return abandon(QStringLiteral("no MPEG-4 muxer: %1").arg(avError(rc)));
    const AVCodec *aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!aac)
        return abandon(QStringLiteral("no AAC encoder"));
    enc.codec = avcodec_alloc_context3(aac);
    enc.codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    enc.codec->sample_rate = kSampleRate;
    av_channel_layout_default(&enc.codec->ch_layout, kChannels);
    enc.codec->bit_rate = kBitRate;
    enc.codec->time_base = AVRational{1, kSampleRate};
    if (enc.format->oformat->flags & AVFMT_GLOBALHEADER)
        enc.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((rc = avcodec_open2(enc.codec, aac, nullptr)) < 0)
        return abandon(QStringLiteral("cannot open the AAC encoder: %1").arg(avError(rc)));

    enc.stream = avformat_new_stream(enc.format, nullptr);
    if (!enc.stream)
        return abandon(QStringLiteral("cannot add the audio stream"));
    enc.stream->time_base = enc.codec->time_base;
    if ((rc = avcodec_parameters_from_context(enc.stream->codecpar, enc.codec)) < 0)
        return abandon(QStringLiteral("cannot describe the audio stream: %1").arg(avError(rc)));

    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    if (swr_alloc_set_opts2(&enc.swr, &enc.codec->ch_layout, AV_SAMPLE_FMT_FLTP, kSampleRate, &mono,
                            AV_SAMPLE_FMT_S16, inputSampleRate, 0, nullptr) < 0 ||
        swr_init(enc.swr) < 0)
        return abandon(QStringLiteral("cannot resample from %1 Hz").arg(inputSampleRate));
    enc.fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, kChannels, enc.codec->frame_size * 4);
    enc.frame = av_frame_alloc();
    enc.packet = av_packet_alloc();
    if (!enc.fifo || !enc.frame || !enc.packet)
        return abandon(QStringLiteral("out of memory"));

    // The "file:" prefix keeps a colon in the path from being read as a protocol name.
    const QByteArray url = "file:" + QFile::encodeName(path);
    if ((rc = avio_open(&enc.format->pb, url.constData(), AVIO_FLAG_WRITE)) < 0)
        return abandon(QStringLiteral("cannot create the file: %1").arg(avError(rc)));

    AVDictionary *options = nullptr;
    av_dict_set(&options, "movflags", "empty_moov+default_base_moof", 0);
    av_dict_set_int(&options, "frag_duration", int64_t(kFragmentMs) * 1000, 0);
    av_dict_set(&options, "flush_packets", "1", 0);
    rc = avformat_write_header(enc.format, &options);
    av_dict_free(&options);
    if (rc < 0)
        return abandon(QStringLiteral("cannot write the file header: %1").arg(avError(rc)));
    enc.headerWritten = true;
    avio_flush(enc.format->pb);
    return true;
}

bool MLAudioFileWriter::write(const QByteArray &pcm) {
    if (!m_encoder || m_encoder->failed)
        return false;
    Encoder &enc = *m_encoder;
    const int inSamples = static_cast<int>(pcm.size() / 2);
    if (inSamples == 0)
        return true;
    const int capacity = swr_get_out_samples(enc.swr, inSamples);
    if (capacity > 0) {
        std::vector<float> converted(size_t(capacity) * kChannels);
        uint8_t *out[] = {reinterpret_cast<uint8_t *>(converted.data())};
        const uint8_t *in[] = {reinterpret_cast<const uint8_t *>(pcm.constData())};
        const int produced = swr_convert(enc.swr, out, capacity, in, inSamples);
        if (produced < 0)
            return fail(QStringLiteral("resampling failed: %1").arg(avError(produced)));
        if (produced > 0 &&
            av_audio_fifo_write(enc.fifo, reinterpret_cast<void **>(out), produced) < produced)
            return fail(QStringLiteral("out of memory"));
    }
    m_samplesWritten += inSamples;
    return encodeBuffered(false);
}

bool MLAudioFileWriter::encodeBuffered(bool final) {
    Encoder &enc = *m_encoder;
    const int frameSize = enc.codec->frame_size;
    while (av_audio_fifo_size(enc.fifo) >= frameSize || (final && av_audio_fifo_size(enc.fifo) > 0)) {
        if (!sendFrame(false))
            return false;
    }
    return true;
}

bool MLAudioFileWriter::sendFrame(bool flush) {
    Encoder &enc = *m_encoder;
    int rc = 0;
    if (flush) {
        rc = avcodec_send_frame(enc.codec, nullptr);
    } else {
        const int frameSize = enc.codec->frame_size;
        const int available = av_audio_fifo_size(enc.fifo);
        const bool smallLastFrame = enc.codec->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
        // A short last frame is padded with silence unless the encoder takes it as it is.
        const int samples = available >= frameSize || !smallLastFrame ? frameSize : available;
        av_frame_unref(enc.frame);
        enc.frame->nb_samples = samples;
        enc.frame->format = enc.codec->sample_fmt;
        enc.frame->sample_rate = enc.codec->sample_rate;
        av_channel_layout_copy(&enc.frame->ch_layout, &enc.codec->ch_layout);
        if ((rc = av_frame_get_buffer(enc.frame, 0)) < 0)
            return fail(QStringLiteral("out of memory"));
        av_samples_set_silence(enc.frame->data, 0, samples, kChannels, enc.codec->sample_fmt);
        av_audio_fifo_read(enc.fifo, reinterpret_cast<void **>(enc.frame->data), qMin(available, samples));
        enc.frame->pts = enc.nextPts;
        enc.nextPts += samples;
        rc = avcodec_send_frame(enc.codec, enc.frame);
    }
    if (rc < 0)
        return fail(QStringLiteral("encoding failed: %1").arg(avError(rc)));
    for (;;) {
        rc = avcodec_receive_packet(enc.codec, enc.packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return fail(QStringLiteral("encoding failed: %1").arg(avError(rc)));
        av_packet_rescale_ts(enc.packet, enc.codec->time_base, enc.stream->time_base);
        enc.packet->stream_index = enc.stream->index;
        rc = av_interleaved_write_frame(enc.format, enc.packet);
        if (rc < 0)
            return fail(QStringLiteral("cannot write to the file: %1").arg(avError(rc)));
    }
}

bool MLAudioFileWriter::close() {
    if (!m_encoder)
        return false;
    bool ok = !m_encoder->failed;
    if (ok) {
        Encoder &enc = *m_encoder;
        // What the resampler still holds, then every buffered sample, then the encoder's tail.
        const int capacity = swr_get_out_samples(enc.swr, 0);
        if (capacity > 0) {
            std::vector<float> tail(size_t(capacity) * kChannels);
            uint8_t *out[] = {reinterpret_cast<uint8_t *>(tail.data())};
            const int produced = swr_convert(enc.swr, out, capacity, nullptr, 0);
            if (produced > 0)
                av_audio_fifo_write(enc.fifo, reinterpret_cast<void **>(out), produced);
        }
        ok = encodeBuffered(true) && sendFrame(true);
    }
    if (m_encoder->headerWritten) {
        const int rc = av_write_trailer(m_encoder->format);
        if (rc < 0 && ok)
            ok = fail(QStringLiteral("cannot finish the file: %1").arg(avError(rc)));
    }
    if (m_encoder->format->pb && m_encoder->format->pb->error < 0 && ok)
        ok = fail(QStringLiteral("cannot write to the file: %1").arg(avError(m_encoder->format->pb->error)));
    m_encoder.reset();
    return ok;
}
