#include "support/MLTestAudio.h"

#include <QDataStream>
#include <QFile>
#include <QtEndian>

#include <cmath>
#include <numbers>

extern "C" {
#include <libavformat/avformat.h>
}

namespace ml::test {

std::vector<float> signal(const std::vector<SoundPiece> &pieces, int sampleRate) {
    std::vector<float> out;
    for (const SoundPiece &piece : pieces) {
        const auto n = static_cast<qsizetype>(std::llround(piece.seconds * sampleRate));
        for (qsizetype i = 0; i < n; ++i)
            out.push_back(static_cast<float>(
                piece.amplitude * std::sin(2 * std::numbers::pi * piece.frequency * double(i) / sampleRate)));
    }
    return out;
}

std::vector<float> toChannels(const std::vector<float> &mono, int channels) {
    std::vector<float> out;
    out.reserve(mono.size() * channels);
    for (float s : mono)
        for (int c = 0; c < channels; ++c)
            out.push_back(s);
    return out;
}

QByteArray toPcm16(const std::vector<float> &samples) {
    QByteArray out(qsizetype(samples.size()) * 2, Qt::Uninitialized);
    for (size_t i = 0; i < samples.size(); ++i)
        qToLittleEndian<qint16>(static_cast<qint16>(std::lround(std::clamp(samples[i], -1.f, 1.f) * 32767)),
                                out.data() + 2 * i);
    return out;
}

bool writeWav(const QString &path, const std::vector<float> &interleaved, int sampleRate, int channels,
              WavEncoding encoding) {
    struct Format {
        quint16 bits;
        quint16 tag; // 1: integer PCM, 3: IEEE float
        double scale;
        int offset;
    };
    // In the order of WavEncoding.
    static constexpr Format kFormats[] = {
        {8, 1, 127, 128}, {16, 1, 32767, 0}, {24, 1, 8388607, 0}, {32, 1, 2147483647.0, 0}, {32, 3, 0, 0}};
    const Format format = kFormats[static_cast<int>(encoding)];
    QByteArray data;
    for (float f : interleaved) {
        char b[4];
        if (format.tag == 3)
            qToLittleEndian<float>(f, b);
        else // the low bytes of the little-endian 32-bit value
            qToLittleEndian<qint32>(
                qint32(std::llround(std::clamp(double(f), -1.0, 1.0) * format.scale) + format.offset), b);
        data.append(b, format.bits / 8);
    }
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + data.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << format.tag << quint16(channels) << quint32(sampleRate)
        << quint32(sampleRate * channels * format.bits / 8) << quint16(channels * format.bits / 8)
        << format.bits;
    out.writeRawData("data", 4);
    out << quint32(data.size());
    out.writeRawData(data.constData(), int(data.size()));
    QFile wav(path);
    return wav.open(QIODevice::WriteOnly) && wav.write(file) == file.size();
}

double rms(const QByteArray &pcm16) {
    const qsizetype n = pcm16.size() / 2;
    if (n == 0)
        return 0;
    double sum = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const double s = qFromLittleEndian<qint16>(pcm16.constData() + 2 * i) / 32768.0;
        sum += s * s;
    }
    return std::sqrt(sum / double(n));
}

std::optional<AudioProbe> probeAudio(const QString &path) {
    AVFormatContext *format = nullptr;
    const QByteArray url = "file:" + QFile::encodeName(path);
    if (avformat_open_input(&format, url.constData(), nullptr, nullptr) < 0)
        return std::nullopt;
    std::optional<AudioProbe> probe;
    if (avformat_find_stream_info(format, nullptr) >= 0) {
        const int index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (index >= 0) {
            const AVCodecParameters *par = format->streams[index]->codecpar;
            AudioProbe p;
            p.container = QString::fromLatin1(format->iformat->name);
            p.codec = QString::fromLatin1(avcodec_get_name(par->codec_id));
            p.sampleRate = par->sample_rate;
            p.channels = par->ch_layout.nb_channels;
            int64_t end = 0;
            AVPacket *packet = av_packet_alloc();
            while (av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == index && packet->pts != AV_NOPTS_VALUE)
                    end = std::max<int64_t>(end, packet->pts + packet->duration);
                av_packet_unref(packet);
            }
            av_packet_free(&packet);
            p.seconds = double(end) * av_q2d(format->streams[index]->time_base);
            probe = p;
        }
    }
    avformat_close_input(&format);
    return probe;
}

} // namespace ml::test
