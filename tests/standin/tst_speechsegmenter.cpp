#include "StandinSpeechSegmenter.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"

using namespace ml::test;
using Kind = StandinSpeechSegmenter::Kind;

Q_DECLARE_METATYPE(std::vector<ml::test::SoundPiece>)

class TestSpeechSegmenter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void utterancesFollowTheEnergy_data() {
        QTest::addColumn<std::vector<SoundPiece>>("pieces");
        QTest::addColumn<QString>("finals"); // "offset+duration" of each final, ms
        QTest::addColumn<int>("noMatches");
        QTest::addColumn<bool>("stillSpeaking");
        QTest::newRow("two bursts")
            << std::vector<SoundPiece>{{0.3, 0}, {0.8, 0.5}, {0.6, 0}, {0.8, 0.5}, {0.6, 0}}
            << "300+800 1700+800" << 0 << false;
        QTest::newRow("a pause shorter than the hangover stays inside")
            << std::vector<SoundPiece>{{0.2, 0}, {0.5, 0.5}, {0.2, 0}, {0.5, 0.5}, {0.5, 0}} << "200+1200"
            << 0 << false;
        QTest::newRow("quiet noise is silence")
            << std::vector<SoundPiece>{{2.0, 0.01, 3000}} << "" << 0 << false;
        QTest::newRow("a click is no sentence")
            << std::vector<SoundPiece>{{0.2, 0}, {0.06, 0.8}, {0.5, 0}} << "" << 1 << false;
        QTest::newRow("speech running at the end")
            << std::vector<SoundPiece>{{0.2, 0}, {1.0, 0.5}} << "" << 0 << true;
    }
    void utterancesFollowTheEnergy() {
        QFETCH(std::vector<SoundPiece>, pieces);
        QFETCH(QString, finals);
        QFETCH(int, noMatches);
        QFETCH(bool, stillSpeaking);
        const QByteArray pcm = toPcm16(signal(pieces, 16000));
        StandinSpeechSegmenter segmenter;
        QList<StandinSpeechSegmenter::Event> events;
        // Odd block sizes: windows straddle blocks and samples straddle bytes.
        for (qsizetype at = 0; at < pcm.size(); at += 1001)
            events += segmenter.feed(pcm.mid(at, 1001));

        QStringList got;
        int gotNoMatches = 0;
        int partialIndex = 0;
        for (const auto &e : events) {
            if (e.kind == Kind::Partial) {
                QCOMPARE(e.partialIndex, ++partialIndex);
                continue;
            }
            partialIndex = 0;
            if (e.kind == Kind::NoMatch)
                ++gotNoMatches;
            else
                got << QStringLiteral("%1+%2").arg(e.offsetMs).arg(e.durationMs);
        }
        QCOMPARE(got.join(QLatin1Char(' ')), finals);
        QCOMPARE(gotNoMatches, noMatches);
        QCOMPARE(segmenter.inUtterance(), stillSpeaking);
    }

    void partialsComeAtTheirIntervalWhileSpeaking() {
        StandinSpeechSegmenter::Settings settings;
        settings.partialIntervalMs = 100;
        StandinSpeechSegmenter segmenter(settings);
        const auto events = segmenter.feed(toPcm16(signal({{1.0, 0.5}, {0.4, 0}}, 16000)));
        QCOMPARE(events.size(), 11); // at 100, 200, ... 1000 ms of the utterance, then the final
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(events.at(i).kind, Kind::Partial);
            QCOMPARE(events.at(i).durationMs, qint64(100 * (i + 1)));
        }
        QCOMPARE(events.last().kind, Kind::Final);
        QCOMPARE(events.last().durationMs, qint64(1000));
    }
};

ML_TEST_MAIN(TestSpeechSegmenter)
#include "tst_speechsegmenter.moc"
