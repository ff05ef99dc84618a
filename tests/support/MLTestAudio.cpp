#include "support/MLTestAudio.h"

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
    int bits = 16;
    quint16 tag = 1;
    switch (encoding) {
    case WavEncoding::UInt8:
        bits = 8;
        break;
    case WavEncoding::Int16:
        bits = 16;
        break;
    case WavEncoding::Int24:
        bits = 24;
        break;
    case WavEncoding::Int32:
        bits = 32;
        break;
    case WavEncoding::Float32:
        bits = 32;
        tag = 3;
        break;
    }
    QByteArray data;
    for (float f : interleaved) {
        const double s = std::clamp(double(f), -1.0, 1.0);
        char b[4];
        switch (encoding) {
        case WavEncoding::UInt8:
            data.append(static_cast<char>(std::lround(s * 127) + 128));
            break;
        case WavEncoding::Int16:
            qToLittleEndian<qint16>(static_cast<qint16>(std::lround(s * 32767)), b);
            data.append(b, 2);
            break;
        case WavEncoding::Int24:
            qToLittleEndian<qint32>(static_cast<qint32>(std::lround(s * 8388607)), b);
            data.append(b, 3);
            break;
        case WavEncoding::Int32:
            qToLittleEndian<qint32>(static_cast<qint32>(std::llround(s * 2147483647.0)), b);
            data.append(b, 4);
            break;
        case WavEncoding::Float32:
            qToLittleEndian<float>(f, b);
            data.append(b, 4);
            break;
        }
    }
    const auto u16 = [](QByteArray &a, quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        a.append(b, 2);
    };
    const auto u32 = [](QByteArray &a, quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        a.append(b, 4);
    };
    QByteArray file("RIFF");
    u32(file, quint32(36 + data.size()));
    file.append("WAVEfmt ");
    u32(file, 16);
    u16(file, tag);
    u16(file, quint16(channels));
    u32(file, quint32(sampleRate));
    u32(file, quint32(sampleRate * channels * bits / 8));
    u16(file, quint16(channels * bits / 8));
    u16(file, quint16(bits));
    file.append("data");
    u32(file, quint32(data.size()));
    file.append(data);
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(file) == file.size();
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
