// The session recorder's encoding cost as a real-time factor: CPU seconds spent per second of
// audio recorded (target: below 0.02 of one core). Two figures: the AAC/m4a writer alone, fed
// 100 ms blocks as the capture delivers them, and the whole recorder (AudioRecordManager on the
// shared-capture path with a WAV file standing in for the microphone, at fast pace).
#include "live/engine/AudioRecordManager.h"
#include "platform/audio/MLAudioCapture.h"
#include "platform/audio/MLAudioFileWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Speech-like 16 kHz mono PCM: voiced stretches (a few harmonics with a wandering pitch and some
// noise) of 0.5 to 3 s separated by pauses.
QByteArray speechLike(int seconds) {
    QRandomGenerator rng(42);
    const qsizetype n = qsizetype(seconds) * MLAudioCapture::kSampleRate;
    QByteArray pcm(n * 2, '\0');
    auto *out = reinterpret_cast<qint16 *>(pcm.data());
    qsizetype i = 0;
    double phase = 0;
    while (i < n) {
        const qsizetype voiced = qMin<qsizetype>(n - i, 8000 + rng.bounded(40000));
        const double pitch = 100 + rng.bounded(150);
        for (qsizetype k = 0; k < voiced; ++k, ++i) {
            const double f = pitch * (1 + 0.1 * std::sin(2 * std::numbers::pi * 3 * double(k) / 16000));
            phase += 2 * std::numbers::pi * f / 16000;
            const double s = 0.3 * std::sin(phase) + 0.15 * std::sin(2 * phase) + 0.08 * std::sin(3 * phase) +
                             0.02 * (rng.generateDouble() - 0.5);
            out[i] = qToLittleEndian(static_cast<qint16>(s * 32767));
        }
        const qsizetype pause = qMin<qsizetype>(n - i, 3000 + rng.bounded(12000));
        for (qsizetype k = 0; k < pause; ++k, ++i)
            out[i] = qToLittleEndian(static_cast<qint16>(rng.bounded(60) - 30));
    }
    return pcm;
}

bool writeWav(const QString &path, const QByteArray &pcm) {
    QByteArray header("RIFF");
    const auto u32 = [&header](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        header.append(b, 4);
    };
    const auto u16 = [&header](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        header.append(b, 2);
    };
    u32(quint32(36 + pcm.size()));
    header.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(16000);
    u32(32000);
    u16(2);
    u16(16);
    header.append("data");
    u32(quint32(pcm.size()));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(header) == header.size() && f.write(pcm) == pcm.size();
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QByteArray(argv[1]).toInt() : 600;
    QTemporaryDir dir;
    const QByteArray pcm = speechLike(seconds);

    // 1. The writer alone.
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        MLAudioFileWriter writer;
        const double start = cpuSeconds();
        if (!writer.open(dir.filePath(QStringLiteral("writer.m4a")))) {
            std::fprintf(stderr, "cannot open the writer: %s\n", qPrintable(writer.errorString()));
            return 1;
        }
        for (qsizetype at = 0; at < pcm.size(); at += 3200)
            writer.write(pcm.mid(at, 3200));
        writer.close();
        best = qMin(best, cpuSeconds() - start);
    }
    std::printf("writer:   %d s of audio encoded in %.3f CPU s -> real-time factor %.4f\n", seconds, best,
                best / seconds);

    // 2. The whole recorder through the capture, the WAV file standing in for the microphone.
    const QString wav = dir.filePath(QStringLiteral("input.wav"));
    if (!writeWav(wav, pcm))
        return 1;
    MLAudioCapture::setInputFile(wav);
    MLAudioCapture::setRealTimePace(false);
    MLAudioCapture capture;
    AudioRecordManager recorder(&capture);
    QElapsedTimer wall;
    wall.start();
    const double start = cpuSeconds();
    recorder.start(dir.path());
    if (!recorder.isRecording())
        return 1;
    QObject::connect(&capture, &MLAudioCapture::stateChanged, &app, [&](MLAudioCapture::State state) {
        if (state == MLAudioCapture::State::Finished)
            app.quit();
    });
    app.exec();
    recorder.stop();
    const double cpu = cpuSeconds() - start;
    std::printf("recorder: %d s of audio recorded in %.3f CPU s (%.2f s wall) -> real-time factor %.4f\n",
                seconds, cpu, wall.elapsed() / 1000.0, cpu / seconds);
    std::printf("target: below 0.02\n");
    return 0;
}
