#include "live/engine/LowpriceTranslationHelp.h"
#include "live/engine/NormalTranslationHelp.h"
#include "support/LiveEngineHarness.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"

#include <QJsonArray>
#include <QTemporaryDir>

using namespace ml::test;

// A whole session of each tier: a WAV of three tone bursts separated by silence stands in for the
// microphone, goes through the audio layer to the stand-in speech endpoint (and, for the low-price
// tier, each sentence to the stand-in text translation), and leaves captions, the recording, the
// transcript and the history row.
class TestLiveEnd2End : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_input;
    double m_inputSeconds = 0;

    template <class Engine> void runSession(qint64 historyType) {
        LiveEngineHarness<Engine> h;
        const QJsonArray sentences = h.standin.server()
                                         .state()
                                         .fixture(QStringLiteral("speech_sentences"))
                                         .toObject()
                                         .value(QStringLiteral("sentences"))
                                         .toArray();
        QVERIFY(sentences.size() >= 3);
        QStringList expected;
        for (int i = 0; i < 3; ++i) {
            const QJsonObject s = sentences.at(i).toObject();
            expected << s.value(QStringLiteral("zh-Hans")).toString() + QLatin1Char('\n') +
                            s.value(QStringLiteral("en")).toString();
        }
        expected << QString();

        h.engine->startTranslation(QStringLiteral("zh-CN"), QStringLiteral("en"));
        QTRY_COMPARE_WITH_TIMEOUT(h.engine->strList(), expected, 20000);
        QCOMPARE(h.lists.last(), expected);
        h.engine->stopTranslation();
        QTRY_VERIFY(h.engine->state() == MLLiveEngine::State::Idle);

        const QString folder = documents() + QLatin1Char('/') + h.engine->storagePath();
        const auto probe = probeAudio(folder + QStringLiteral("/recording.m4a"));
        QVERIFY(probe);
        QCOMPARE(probe->codec, QStringLiteral("aac"));
        QCOMPARE(probe->sampleRate, 12000);
        QCOMPARE(probe->channels, 1);
        QVERIFY2(qAbs(probe->seconds - m_inputSeconds) < 0.5, qPrintable(QString::number(probe->seconds)));

        QCOMPARE(readTranscript(h.engine->storagePath()), expected.join(QStringLiteral("\n\n")));
        const auto rows = h.rows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().type, historyType);
        QCOMPARE(rows.first().path, h.engine->storagePath());
        QCOMPARE(h.meter().endCount(), 1);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_input = m_dir.filePath(QStringLiteral("bursts.wav"));
        const std::vector<SoundPiece> pieces{{0.5, 0}, {1.0, 0.5, 440}, {1.0, 0}, {1.2, 0.5, 660},
                                             {1.0, 0}, {0.8, 0.5, 550}, {1.5, 0}};
        for (const SoundPiece &piece : pieces)
            m_inputSeconds += piece.seconds;
        const std::vector<float> mono = signal(pieces, 44100);
        QVERIFY(writeWav(m_input, toChannels(mono, 2), 44100, 2));
        MLAudioCapture::setInputFile(m_input);
        MLAudioCapture::setRealTimePace(false);
    }
    void cleanupTestCase() { MLAudioCapture::setInputFile(QString()); }

    void normalTier() { runSession<NormalTranslationHelp>(2); }
    void lowPriceTier() { runSession<LowpriceTranslationHelp>(4); }
};

ML_TEST_MAIN(TestLiveEnd2End)
#include "tst_liveend2end.moc"
