#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// Sound for tests: signals built from tone bursts and silence, WAV files of them, and a probe of
// the audio files the code under test writes.
namespace ml::test {

// A piece of a test signal: `seconds` of a sine tone (amplitude 0..1 of full scale), or of
// silence when the amplitude is 0.
struct SoundPiece {
    double seconds = 0;
    double amplitude = 0;
    double frequency = 440;
};

// Mono float samples of the pieces in order.
std::vector<float> signal(const std::vector<SoundPiece> &pieces, int sampleRate);
// The same samples on every channel, interleaved.
std::vector<float> toChannels(const std::vector<float> &mono, int channels);
// Mono 16-bit little-endian PCM of the samples.
QByteArray toPcm16(const std::vector<float> &samples);

enum class WavEncoding { UInt8, Int16, Int24, Int32, Float32 };
// Writes interleaved samples as a WAV file; false when the file cannot be written.
bool writeWav(const QString &path, const std::vector<float> &interleaved, int sampleRate, int channels,
              WavEncoding encoding = WavEncoding::Int16);

// Root mean square of 16-bit PCM, as a fraction of full scale.
double rms(const QByteArray &pcm16);

struct AudioProbe {
    QString container; // libavformat's format names, e.g. "mov,mp4,m4a,3gp,3g2,mj2"
    QString codec;     // e.g. "aac"
    int sampleRate = 0;
    int channels = 0;
    double seconds = 0; // by the packets of the audio stream
};
// Reads the first audio stream of a file with libavformat; nothing when there is none.
std::optional<AudioProbe> probeAudio(const QString &path);

} // namespace ml::test
