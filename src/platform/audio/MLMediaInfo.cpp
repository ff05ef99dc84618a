#include "platform/audio/MLMediaInfo.h"

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <memory>

namespace {

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

} // namespace

std::optional<double> MLMediaInfo::durationSeconds(const QString &path) {
    if (av_log_get_level() > AV_LOG_ERROR)
        av_log_set_level(AV_LOG_ERROR);
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
