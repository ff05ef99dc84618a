#include "live/engine/LowpriceTranslationHelp.h"
#include "live/engine/NormalTranslationHelp.h"
#include "support/LiveEngineHarness.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"

#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace ml::test;
using namespace Qt::StringLiterals;

namespace {

constexpr const char *kChildVariable = "ML_LIVE_SESSION_CHILD";

// The child of the kill test: a normal-tier session on the input file that runs until its three
// sentences are in the transcript saved so far, prints its folder and waits to be killed.
int runSessionChild(int argc, char *argv[]) {
    QStandardPaths::setTestModeEnabled(true); // Documents and the rest come from the parent
    MLTestApplication app(argc, argv);
    MLAudioCapture::setRealTimePace(false);
    LiveEngineHarness<NormalTranslationHelp> h;
    h.start();
    const auto captions = [&h] {
        return h.engine->strList().size() == 4 && h.engine->strList().last().isEmpty();
    };
    if (!QTest::qWaitFor(captions, 20000) || !h.tick(MLLiveEngine::kTranscriptSaveTicks))
        return 2;
    const auto saved = [&h] {
        return readTranscript(h.engine->storagePath()) == h.engine->strList().join(u"\n\n"_s);
    };
    if (!QTest::qWaitFor(saved, 20000))
        return 3;
    std::fputs(qPrintable(h.engine->storagePath() + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
    return app.exec();
}

// Runs `test` on a harness of the tier a history type names (2 normal, 4 low price).
template <class Test> void onTier(qint64 historyType, Test test) {
    if (historyType == 2) {
        LiveEngineHarness<NormalTranslationHelp> h;
        test(h);
    } else {
        LiveEngineHarness<LowpriceTranslationHelp> h;
        test(h);
    }
}

// The session's folder holds just the recording and the transcript of `captions`; the history has
// its row.
template <class Harness> void checkSaved(Harness &h, const QStringList &captions, qint64 historyType) {
    const QString path = h.engine->storagePath();
    QCOMPARE(readTranscript(path), captions.join(u"\n\n"_s));
    QCOMPARE(QDir(inDocuments(path)).entryList(QDir::Files | QDir::Hidden),
             (QStringList{u"recording.m4a"_s, u"recording.txt"_s}));
    const auto rows = h.rows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().type, historyType);
    QCOMPARE(rows.first().path, path);
}

} // namespace

// A whole session of each tier: a WAV of three tone bursts separated by silence stands in for the
// microphone, goes through the audio layer to the stand-in speech endpoint (and, for the low-price
// tier, each sentence to the stand-in text translation), and leaves captions, the recording, the
// transcript and the history row.
class TestLiveEnd2End : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_input;
    double m_inputSeconds = 0;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_input = m_dir.filePath(u"bursts.wav"_s);
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

    void wholeSession_data() {
        QTest::addColumn<qint64>("historyType");
        QTest::newRow("normal tier") << qint64(2);
        QTest::newRow("low-price tier") << qint64(4);
    }
    void wholeSession() {
        QFETCH(qint64, historyType);
        onTier(historyType, [this, historyType](auto &h) {
            QStringList expected;
            for (const QJsonValue sentence :
                 h.standin.server().state().fixture(u"speech_sentences"_s)[u"sentences"_s].toArray())
                expected << sentence[u"zh-Hans"_s].toString() + u'\n' + sentence[u"en"_s].toString();
            QVERIFY(expected.size() >= 3);
            expected = expected.first(3) << QString();
            h.start();
            QTRY_COMPARE_WITH_TIMEOUT(h.engine->strList(), expected, 20000);
            QCOMPARE(h.lists.last(), expected);
            QVERIFY(h.stopAndWait());
            const auto probe = probeAudio(inDocuments(h.engine->storagePath() + u"/recording.m4a"_s));
            QVERIFY(probe && probe->codec == u"aac"_s && probe->sampleRate == 12000 && probe->channels == 1);
            QVERIFY2(qAbs(probe->seconds - m_inputSeconds) < 0.5,
                     qPrintable(QString::number(probe->seconds)));
            checkSaved(h, expected, historyType);
            QTRY_COMPARE(h.meter().endCount(), 1); // the end-of-use report is sent as the stop finishes
        });
    }

    // The application's quit in the middle of a session: the stop of a user, at once, with the
    // end-of-use report answered before it returns, or given up on when the service does not answer.
    void quitMidSession_data() {
        QTest::addColumn<qint64>("historyType");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("normal tier") << qint64(2) << true;
        QTest::newRow("low-price tier") << qint64(4) << true;
        QTest::newRow("service unreachable") << qint64(2) << false;
    }
    void quitMidSession() {
        QFETCH(qint64, historyType);
        QFETCH(bool, reachable);
        onTier(historyType, [historyType, reachable](auto &h) {
            h.start();
            QTRY_VERIFY_WITH_TIMEOUT(h.engine->strList().size() >= 2, 20000);
            if (!reachable)
                h.standin.server().injectFault(kEndPath, StandinFault::silence());
            const QStringList captions = h.engine->strList();
            MLLiveEngine::endSessionsForQuit();
            QCOMPARE(h.engine->state(), MLLiveEngine::State::Idle);
            QCOMPARE(h.statuses, (QList<bool>{true, false}));
            QCOMPARE(h.requests(kEndPath), 1);
            QCOMPARE(h.meter().endCount(), reachable ? 1 : 0);
            QVERIFY(probeAudio(inDocuments(h.engine->storagePath() + u"/recording.m4a"_s)));
            checkSaved(h, captions, historyType);
        });
    }

    // A start whose own folder cannot be made (a file in its place) records nothing, writes no
    // transcript and no row, anywhere, and says so once; the translation runs as ever.
    void aStartWithoutItsOwnFolderKeepsNothing_data() {
        QTest::addColumn<bool>("earlierSession");
        QTest::newRow("first session, the history folder is a file") << false;
        QTest::newRow("after a session, the account's folder is a file") << true;
    }
    void aStartWithoutItsOwnFolderKeepsNothing() {
        QFETCH(bool, earlierSession);
        LiveEngineHarness<NormalTranslationHelp> h;
        const QStringList mine{inDocuments(u"recording.m4a"_s), inDocuments(u"recording.txt"_s)};
        for (const QString &file : mine)
            QVERIFY(writeFile(file, "the user's own"));
        if (earlierSession) {
            h.start();
            QTRY_VERIFY_WITH_TIMEOUT(h.engine->strList().size() >= 2, 20000);
            QVERIFY(h.stopAndWait());
        }
        const QString earlier = h.engine->storagePath();
        const QByteArray earlierRecording = readFile(inDocuments(earlier + u"/recording.m4a"_s));
        MLMineModel other;
        other.consumerId = kConsumerId + 1;
        MLUserManager::sharedManager().setCurrentMineUser(other);
        const QString blocked =
            earlierSession ? u"historicalRecord/%1"_s.arg(other.consumerId) : u"historicalRecord"_s;
        const QString aside = inDocuments(blocked + u".aside"_s); // earlier tests' folders
        QVERIFY(!QFileInfo::exists(inDocuments(blocked)) || QFile::rename(inDocuments(blocked), aside));
        QVERIFY(writeFile(inDocuments(blocked), "a file"));
        h.start();
        QTRY_COMPARE(h.toasts(), QStringList{QString::fromUtf8(MLLiveEngine::kNoFolderMessage)});
        QTRY_VERIFY_WITH_TIMEOUT(h.engine->strList().size() >= 2, 20000);
        QVERIFY(h.stopAndWait());
        QVERIFY(QFile::remove(inDocuments(blocked)));
        QFile::rename(aside, inDocuments(blocked));
        QTRY_COMPARE(h.meter().endCount(), earlierSession ? 2 : 1);
        QVERIFY(!h.toasts().contains(QString::fromUtf8(MLLiveEngine::kRowNotSavedMessage)));
        QVERIFY(h.engine->storagePath().isEmpty());
        QCOMPARE(h.rows().size(), earlierSession ? 1 : 0);
        for (const QString &file : mine)
            QCOMPARE(readFile(file), "the user's own");
        if (earlierSession)
            QCOMPARE(readFile(inDocuments(earlier + u"/recording.m4a"_s)), earlierRecording);
    }

    void killedSessionIsRecoveredAtTheNextStart() {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(kChildVariable), u"1"_s);
        env.insert(u"ML_AUDIO_INPUT"_s, m_input);
        child.setProcessEnvironment(env);
        const qint64 startedAt = QDateTime::currentSecsSinceEpoch() * 1000;
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += child.readAllStandardOutput()).endsWith('\n'), 40000);
        child.kill(); // SIGKILL: no stop of any kind
        QVERIFY(child.waitForFinished());
        const QString path = QString::fromUtf8(out).trimmed();
        const QString transcript = readTranscript(path);
        QCOMPARE(transcript.count(u"\n\n"_s), 3);

        LiveEngineHarness<NormalTranslationHelp> h; // the next start, with a history without the session
        QCOMPARE(recoverAndWait(h.database), 1);
        const auto rows = h.rows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().type, 2);
        QCOMPARE(rows.first().path, path);
        QVERIFY(rows.first().date.endsWith(QLatin1String("000")));
        QVERIFY(rows.first().date.toLongLong() >= startedAt);
        QCOMPARE(readTranscript(path), transcript);
        QVERIFY(probeAudio(inDocuments(path + u"/recording.m4a"_s)));
        // Found once: a row the user deletes later never comes back.
        QCOMPARE(recoverAndWait(h.database), 0);
    }
};

int main(int argc, char *argv[]) {
    return qEnvironmentVariableIsSet(kChildVariable) ? runSessionChild(argc, argv)
                                                     : ml::test::runTests<TestLiveEnd2End>(argc, argv);
}
#include "tst_liveend2end.moc"
