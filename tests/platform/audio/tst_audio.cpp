#include "platform/audio/MLAudioCapture.h"
#include "platform/audio/MLAudioFileWriter.h"
#include "platform/audio/MLMediaInfo.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"
#include "support/TestAudioInputs.h"
#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

using namespace ml::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ml::test::WavEncoding)

namespace {

// Collects what one consumer receives.
struct Sink {
    QObject owner;
    QByteArray pcm;
    int blocks = 0;
    void attach(MLAudioCapture &capture) {
        capture.addConsumer(&owner, [this](const QByteArray &b) {
            pcm += b;
            ++blocks;
        });
    }
};

} // namespace

class TestAudio : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString wav(const QString &name, const std::vector<SoundPiece> &pieces, int rate = 16000,
                int channels = 1, WavEncoding encoding = WavEncoding::Int16) {
        const QString path = m_dir.filePath(name);
        if (!writeWav(path, toChannels(signal(pieces, rate), channels), rate, channels, encoding))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void init() {
        MLAudioCapture::setRealTimePace(false);
        MLAudioCapture::setInputFile(QString());
    }

    void fileInputArrivesAs16kMonoPcm16_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<WavEncoding>("encoding");
        QTest::newRow("44.1 kHz stereo 16-bit") << 44100 << 2 << WavEncoding::Int16;
        QTest::newRow("48 kHz mono float") << 48000 << 1 << WavEncoding::Float32;
        QTest::newRow("22.05 kHz stereo 24-bit") << 22050 << 2 << WavEncoding::Int24;
        QTest::newRow("8 kHz mono 8-bit") << 8000 << 1 << WavEncoding::UInt8;
    }
    void fileInputArrivesAs16kMonoPcm16() {
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(WavEncoding, encoding);
        // 0.5 s of silence, then 1 s of tone at half scale: length and level must survive.
        MLAudioCapture::setInputFile(wav(u"in-%1.wav"_s.arg(QTest::currentDataTag()),
                                         {{0.5, 0}, {1.0, 0.5, 300}}, rate, channels, encoding));
        MLAudioCapture capture;
        Sink sink;
        sink.attach(capture);
        QCOMPARE(capture.state(), MLAudioCapture::State::Running);
        QTRY_COMPARE(capture.state(), MLAudioCapture::State::Finished);
        QVERIFY(qAbs(sink.pcm.size() / 2 - 24000) <= 24000 / 100);
        QVERIFY2(rms(sink.pcm.left(7000)) < 0.01, "the leading silence stays silent");
        const double toneRms = rms(sink.pcm.mid(20000, 16000));
        QVERIFY2(qAbs(toneRms - 0.5 / std::sqrt(2.0)) < 0.03, qPrintable(QString::number(toneRms)));
    }

    // Every consumer gets the same stream, while consumers come and go from inside the delivery.
    void consumersComeAndGo() {
        MLAudioCapture::setInputFile(wav(u"churn.wav"_s, {{0.8, 0.3}, {0.4, 0}, {0.8, 0.6}}));
        MLAudioCapture capture;
        auto *leaves = new QObject;
        int leavesBlocks = 0;
        QObject once;
        int onceCalls = 0;
        Sink twin;
        QObject stays;
        QByteArray staysPcm;
        int staysBlocks = 0;
        // On its second block the first consumer destroys the second and adds a third, which leaves
        // from inside its own first call.
        capture.addConsumer(&stays, [&](const QByteArray &b) {
            staysPcm += b;
            if (++staysBlocks != 2)
                return;
            delete leaves;
            capture.addConsumer(&once, [&](const QByteArray &) {
                ++onceCalls;
                capture.removeConsumer(&once);
            });
        });
        capture.addConsumer(leaves, [&](const QByteArray &) { ++leavesBlocks; });
        twin.attach(capture);
        QCOMPARE(capture.consumerCount(), 3);
        QTRY_COMPARE(capture.state(), MLAudioCapture::State::Finished);
        QCOMPARE(leavesBlocks, 1);
        QCOMPARE(onceCalls, 1);
        QCOMPARE(capture.consumerCount(), 2);
        QCOMPARE(staysPcm.size(), 2 * 32000);
        QCOMPARE(twin.pcm, staysPcm);
        capture.removeConsumer(&stays);
        capture.removeConsumer(&twin.owner);
        QCOMPARE(capture.state(), MLAudioCapture::State::Idle);

        // The next consumer starts the file from its beginning.
        Sink again;
        again.attach(capture);
        QTRY_COMPARE(capture.state(), MLAudioCapture::State::Finished);
        QCOMPARE(again.pcm, staysPcm);
    }

    void unavailableInputGivesNothing_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<MLAudioCapture::State>("state");
        QTest::newRow("no microphone") << QString() << MLAudioCapture::State::NoDevice;
        QTest::newRow("missing file") << u"missing.wav"_s << MLAudioCapture::State::Failed;
        QTest::newRow("not a WAV file") << u"text.wav"_s << MLAudioCapture::State::Failed;
    }
    void unavailableInputGivesNothing() {
        QFETCH(QString, file);
        QVERIFY(writeFile(m_dir.filePath(u"text.wav"_s), "RIFF, but not really"));
        MLAudioCapture::setInputFile(file.isEmpty() ? QString() : m_dir.filePath(file));
        MLAudioCapture capture;
        capture.setDevice(QAudioDevice()); // a machine without microphone
        QSignalSpy changes(&capture, &MLAudioCapture::stateChanged);
        Sink sink;
        sink.attach(capture);
        QTEST(capture.state(), "state");
        QVERIFY(!capture.errorString().isEmpty());
        QCOMPARE(changes.size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(sink.blocks, 0);
        capture.removeConsumer(&sink.owner);
        QCOMPARE(capture.state(), MLAudioCapture::State::Idle);
    }

    // The microphone is the system's default input: looked up at each start, followed while the
    // capture runs, and closed at once when it goes away or fails (nothing reads a dead stream). A
    // start without one, and a loss with no other to take, are told once.
    void captureFollowsTheSystemsInputs_data() {
        QTest::addColumn<QStringList>("before"); // the inputs at the start, the default first
        QTest::addColumn<bool>("fails");         // the running input then stops with an error
        QTest::addColumn<QStringList>("after");  // the inputs then
        QTest::addColumn<bool>("restart");       // the capture is started again (no watch meanwhile)
        QTest::addColumn<QString>("heard");      // the input the consumer hears then
        QTest::addColumn<MLAudioCapture::State>("state");
        QTest::addColumn<int>("noInput");
        QTest::addColumn<int>("lost");
        using S = MLAudioCapture::State;
        const QStringList none;
        QTest::newRow("nothing changes")
            << QStringList{u"a"_s, u"b"_s} << false << QStringList{u"a"_s, u"b"_s} << false << u"a"_s
            << S::Running << 0 << 0;
        QTest::newRow("a microphone comes later")
            << none << false << QStringList{u"usb"_s} << false << u"usb"_s << S::Running << 1 << 0;
        QTest::newRow("none comes") << none << false << none << false << QString() << S::NoDevice << 1 << 0;
        QTest::newRow("the next start finds one")
            << none << false << QStringList{u"usb"_s} << true << u"usb"_s << S::Running << 1 << 0;
        QTest::newRow("the default changes")
            << QStringList{u"a"_s, u"b"_s} << false << QStringList{u"b"_s, u"a"_s} << false << u"b"_s
            << S::Running << 0 << 0;
        QTest::newRow("it goes, another is there")
            << QStringList{u"a"_s, u"b"_s} << false << QStringList{u"b"_s} << false << u"b"_s << S::Running
            << 0 << 0;
        QTest::newRow("it goes, none is left")
            << QStringList{u"a"_s} << false << none << false << QString() << S::NoDevice << 0 << 1;
        QTest::newRow("it fails and goes")
            << QStringList{u"a"_s} << true << none << false << QString() << S::NoDevice << 0 << 1;
        QTest::newRow("it fails and stays listed") << QStringList{u"a"_s} << true << QStringList{u"a"_s}
                                                   << false << QString() << S::NoDevice << 0 << 1;
    }
    void captureFollowsTheSystemsInputs() {
        QFETCH(QStringList, before);
        QFETCH(bool, fails);
        QFETCH(QStringList, after);
        QFETCH(bool, restart);
        QFETCH(QString, heard);
        TestAudioInputs inputs;
        inputs.listed = before;
        MLAudioCapture capture;
        capture.setAudioInputs(&inputs);
        capture.setWatchInterval(restart ? 24 * 3600 * 1000 : 1);
        QSignalSpy noInput(&capture, &MLAudioCapture::noInput);
        QSignalSpy lost(&capture, &MLAudioCapture::inputLost);
        Sink sink;
        sink.attach(capture);
        QCOMPARE(inputs.openInputs(), before.mid(0, 1));

        if (fails)
            inputs.fail(before.first());
        inputs.listed = after;
        if (restart) {
            capture.removeConsumer(&sink.owner);
            sink.attach(capture);
        }
        const QStringList open = heard.isEmpty() ? QStringList() : QStringList{heard};
        QTRY_COMPARE(inputs.openInputs(), open);
        QTEST(capture.state(), "state");
        // Each input says its own sound; only the one followed is heard.
        sink.pcm.clear();
        QStringList ids = before + after;
        ids.removeDuplicates();
        for (const QString &id : ids)
            inputs.feed(id, QByteArray(64, id.front().toLatin1()));
        QCOMPARE(sink.pcm, heard.isEmpty() ? QByteArray() : QByteArray(64, heard.front().toLatin1()));
        QTEST(int(noInput.size()), "noInput");
        QTEST(int(lost.size()), "lost");
    }

    void realTimePaceFollowsTheClock() {
        MLAudioCapture::setRealTimePace(true);
        MLAudioCapture::setInputFile(wav(u"pace.wav"_s, {{0.2, 0.4}}));
        MLAudioCapture capture;
        Sink sink;
        QElapsedTimer clock;
        clock.start();
        sink.attach(capture);
        // Past the end of the file the "room" stays quiet, at the same pace.
        QTRY_VERIFY(sink.pcm.size() >= 2 * 8000);
        QVERIFY2(clock.elapsed() >= 450, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(capture.state(), MLAudioCapture::State::Running);
        QVERIFY(rms(sink.pcm.mid(2 * 3200, 2 * 4800)) < 0.001);
        QVERIFY(rms(sink.pcm.left(2 * 3200)) > 0.2);
    }

    void writerMakesAacMonoAt12k_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("blockBytes");
        QTest::newRow("shorter than one AAC frame") << 0.05 << 3200;
        QTest::newRow("12 s in odd-sized blocks") << 12.0 << 1234;
    }
    void writerMakesAacMonoAt12k() {
        QFETCH(double, seconds);
        QFETCH(int, blockBytes);
        const QByteArray pcm = toPcm16(signal({{seconds, 0.5, 440}}, 16000));
        const QString path = m_dir.filePath(u"rec-%1.m4a"_s.arg(seconds));
        MLAudioFileWriter writer;
        QVERIFY2(writer.open(path), qPrintable(writer.errorString()));
        // Odd-sized blocks split samples; the writer must join them again.
        for (qsizetype at = 0; at < pcm.size(); at += blockBytes & ~1)
            QVERIFY(writer.write(pcm.mid(at, blockBytes & ~1)));
        QVERIFY2(writer.close(), qPrintable(writer.errorString()));

        const auto probe = probeAudio(path);
        QVERIFY(probe);
        QVERIFY2(probe->container.contains(QLatin1String("m4a")), qPrintable(probe->container));
        QCOMPARE(probe->codec, u"aac"_s);
        QCOMPARE(probe->sampleRate, 12000);
        QCOMPARE(probe->channels, 1);
        const auto duration = MLMediaInfo::durationSeconds(path);
        QVERIFY(duration);
        QVERIFY2(qAbs(*duration - seconds) < 0.2, qPrintable(QString::number(*duration)));
    }

    void writerRefusesAPathItCannotCreate() {
        const QString path = m_dir.filePath(u"no/such/folder/recording.m4a"_s);
        MLAudioFileWriter writer;
        QVERIFY(!writer.open(path));
        QVERIFY(!writer.errorString().isEmpty());
        QVERIFY(!writer.write(QByteArray(3200, '\0')));
        QVERIFY(!QFile::exists(path));
    }

    void writerKeepsFragmentsOfAnUnclosedFile() {
        // A recording never closed (the process died) still plays up to its last whole fragment.
        const QString path = m_dir.filePath(u"cut.m4a"_s);
        const QString copy = m_dir.filePath(u"cut-copy.m4a"_s);
        {
            MLAudioFileWriter writer;
            QVERIFY(writer.open(path));
            QVERIFY(writer.write(toPcm16(signal({{4.5, 0.5}}, 16000))));
            QVERIFY(QFile::copy(path, copy)); // the file as a kill would leave it
        }
        const auto duration = MLMediaInfo::durationSeconds(copy);
        QVERIFY(duration);
        QVERIFY2(*duration >= 3.0 && *duration <= 4.5, qPrintable(QString::number(*duration)));
    }
};

ML_TEST_MAIN(TestAudio)
#include "tst_audio.moc"
