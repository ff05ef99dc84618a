#include "live/engine/NormalTranslationHelp.h"
#include "support/LiveEngineHarness.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"
#include "support/TestAudioInputs.h"

#include <sys/stat.h>

using namespace ml::test;
using namespace Qt::StringLiterals;

using Harness = LiveEngineHarness<NormalTranslationHelp>;
using State = MLLiveEngine::State;

namespace {
MLSpeechRecognitionResult sentence(const QString &text, const QString &english) {
    return result(MLSpeechRecognitionResult::TranslatedSpeech, text, {{u"en"_s, english}});
}
const MLSpeechRecognitionResult kFirst = sentence(u"第一句"_s, u"First"_s);
const QString kFirstSaved = u"第一句\nFirst\n\n"_s;

QString markerOf(const QString &storagePath) {
    return inDocuments(storagePath + u'/' + QLatin1String(MLLiveEngine::kInProgressMarker));
}
bool killed(const QString &) {
    return false; // the process is gone before the marker is removed
}
} // namespace

class TestNormalEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<Harness> h;

private Q_SLOTS:
    void init() { h = std::make_unique<Harness>(); }
    // Every session ends with a stop that completes.
    void cleanup() {
        QVERIFY(h->stopAndWait());
        h.reset();
    }

    // The first session of an engine reports on tick 31, a later one on tick 30, then every 30.
    void periodicReportsFollowTheCounter_data() {
        QTest::addColumn<bool>("later");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("reports"); // after the first one
        QTest::newRow("first session, 30 ticks") << false << 30 << 0;
        QTest::newRow("first session, 31 ticks") << false << 31 << 1;
        QTest::newRow("first session, 60 ticks") << false << 60 << 1;
        QTest::newRow("first session, 61 ticks") << false << 61 << 2;
        QTest::newRow("later session, 29 ticks") << true << 29 << 0;
        QTest::newRow("later session, 30 ticks") << true << 30 << 1;
    }
    void periodicReportsFollowTheCounter() {
        QFETCH(bool, later);
        QFETCH(int, ticks);
        QFETCH(int, reports);
        if (later)
            QVERIFY(h->startRunning() && h->stopAndWait());
        const int before = h->requests(kKeepupPath);
        QVERIFY(h->startRunning() && h->tick(ticks) && h->stopAndWait());
        // The end-of-use report leaves after any report of the ticks.
        QTRY_COMPARE(h->requests(kEndPath), later ? 2 : 1);
        QCOMPARE(h->requests(kKeepupPath) - before, 1 + reports);
    }

    // After a session with a transcript, the first report of the next start answers with a code.
    void firstReportOutcome_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QList<bool>>("statuses"); // after those of the first session
        QTest::newRow("low balance warning starts anyway") << u"DIA003"_s << QList<bool>{true};
        QTest::newRow("exhausted stops") << u"DIA004"_s << QList<bool>{false};
        QTest::newRow("used elsewhere stops") << u"DIA006"_s << QList<bool>{false};
        QTest::newRow("other code leaves idle") << u"DIA500"_s << QList<bool>{};
    }
    void firstReportOutcome() {
        QFETCH(QString, code);
        QFETCH(QList<bool>, statuses);
        const bool runs = statuses == QList<bool>{true};
        QVERIFY(h->runSession(kFirst));
        const QString previous = h->engine->storagePath();
        const QString message = u"服务端消息 %1"_s.arg(code);
        h->standin.server().injectFault(kKeepupPath, StandinFault::answer(code, message));
        h->start();
        QTRY_VERIFY(h->toasts().contains(message));
        QTRY_VERIFY(h->engine->state() == (runs ? State::Running : State::Idle));
        QTRY_COMPARE(h->requests(kEndPath), statuses == QList<bool>{false} ? 2 : 1);
        QCOMPARE(h->statuses, QList<bool>({true, false}) + statuses);
        // A start that never reached its own folder leaves the previous session alone.
        QCOMPARE(h->engine->storagePath() != previous, runs);
        QVERIFY(h->stopAndWait());
        QCOMPARE(readTranscript(previous), kFirstSaved);
        QCOMPARE(h->rows().size(), runs ? 2 : 1);
    }

    void credentialFailureLeavesTheEngineIdle_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("usage signature refused") << u"/signature/getKeepupSin"_s << u"签名失败"_s;
        QTest::newRow("speech credentials refused") << u"/signature/getMicrosoftSin7"_s << u"凭证失败"_s;
        QTest::newRow("connection dropped") << u"/signature/getMicrosoftSin7"_s << u"链接超时!"_s;
    }
    void credentialFailureLeavesTheEngineIdle() {
        QFETCH(QString, path);
        QFETCH(QString, message);
        const bool dropped = message == u"链接超时!"_s;
        h->standin.server().injectFault(path, dropped ? StandinFault::drop()
                                                      : StandinFault::answer(u"DIA500"_s, message));
        h->start();
        QTRY_VERIFY(h->toasts().contains(message));
        QVERIFY(h->engine->state() == State::Idle && !h->overlayShown());
        QCOMPARE(h->requests(kKeepupPath), 0);
        QVERIFY(h->statuses.isEmpty() && h->times.isEmpty());
        QVERIFY(h->startRunning()); // nothing is stuck
    }

    void periodicExhaustedReportStopsAtOnce() {
        QVERIFY(h->startRunning());
        h->recognized(kFirst);
        h->standin.server().injectFault(kKeepupPath, StandinFault::answer(u"DIA004"_s, u"时长已用完"_s));
        QVERIFY(h->tick(31));
        QTRY_COMPARE(h->statuses, (QList<bool>{true, false}));
        QVERIFY(!h->engine->downTimer());
        QVERIFY(h->toasts().contains(u"时长已用完"_s));
        const qsizetype timesAtStop = h->times.size();
        QCOMPARE(h->requests(kEndPath), 0); // the delayed steps have not run yet
        QTRY_COMPARE(h->requests(kEndPath), 1);
        QTRY_VERIFY(h->engine->state() == State::Idle);
        QCOMPARE(h->times.size(), timesAtStop);
        QCOMPARE(h->rows().size(), 1);
    }

    // Any final event runs the guard, also one that is not a translated sentence; a sentence that
    // trips it still reaches the transcript.
    void stallGuard_data() {
        QTest::addColumn<bool>("reportsSucceed");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("withSentence");
        QTest::addColumn<bool>("trips");
        QTest::newRow("39 ticks without success") << false << 39 << false << false;
        QTest::newRow("40 ticks without success") << false << 40 << false << true;
        QTest::newRow("40 ticks, then a sentence") << false << 40 << true << true;
        QTest::newRow("reports succeed") << true << 100 << false << false;
    }
    void stallGuard() {
        QFETCH(bool, reportsSucceed);
        QFETCH(int, ticks);
        QFETCH(bool, withSentence);
        QFETCH(bool, trips);
        QVERIFY(h->startRunning());
        if (!reportsSucceed)
            h->standin.server().injectFault(kKeepupPath, StandinFault::answer(u"DIA500"_s, u"上报失败"_s),
                                            10);
        for (int tick = 1; tick <= ticks; ++tick) {
            QVERIFY(h->tick());
            // Reports (ticks 31, 61, 91) are answered within the tick here, as within seconds in use.
            if (tick > 1 && tick % 30 == 1) {
                QTRY_COMPARE(h->requests(kKeepupPath), 1 + tick / 30);
                if (reportsSucceed)
                    QTRY_COMPARE(h->engine->successTime(), 1);
                else
                    QTRY_VERIFY(h->toasts().contains(u"上报失败"_s));
            }
        }
        h->recognized(withSentence ? kFirst : result(MLSpeechRecognitionResult::NoMatch, QString(), {}));
        QCOMPARE(h->statuses, trips ? QList<bool>({true, false}) : QList<bool>({true}));
        QCOMPARE(h->toasts().contains(QString::fromUtf8(MLLiveEngine::kStallMessage)), trips);
        if (trips) {
            QTRY_COMPARE(h->requests(kEndPath), 1);
            QTRY_VERIFY(h->engine->state() == State::Idle);
            QCOMPARE(readTranscript(h->engine->storagePath()), withSentence ? kFirstSaved : QString());
        }
    }

    // Partial events ('TranslatingSpeech') fill the open entry, final ones close it.
    void captionRules_data() {
        QTest::addColumn<QList<MLSpeechRecognitionResult>>("events");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("callbacks");
        const int partial = MLSpeechRecognitionResult::TranslatingSpeech;
        const int final = MLSpeechRecognitionResult::TranslatedSpeech;
        const auto you = result(partial, "你", {{"en", "You"}});
        QTest::newRow("partial overwrites the open entry")
            << QList{you, result(partial, "你好", {{"en", "Hello"}})} << QStringList{"你好\nHello"} << 2;
        QTest::newRow("final closes the entry and opens a new one")
            << QList{you, result(final, "你好", {{"en", "Hello"}})} << QStringList{"你好\nHello", ""} << 2;
        QTest::newRow("empty final text still closes its line")
            << QList{result(final, "", {{"en", "Hm"}})} << QStringList{"\nHm", ""} << 1;
        QTest::newRow("final of another reason changes nothing")
            << QList{you, result(MLSpeechRecognitionResult::NoMatch, "", {})} << QStringList{"你\nYou"} << 1;
        QTest::newRow("no translation into the target shows the sentence alone")
            << QList{result(final, "你好", {{"de", "Hallo"}})} << QStringList{"你好", ""} << 1;
    }
    void captionRules() {
        QFETCH(QList<MLSpeechRecognitionResult>, events);
        QFETCH(QStringList, list);
        QFETCH(int, callbacks);
        QVERIFY(h->startRunning());
        for (const MLSpeechRecognitionResult &r : events) {
            if (r.reason == MLSpeechRecognitionResult::TranslatingSpeech)
                h->recognizing(r);
            else
                h->recognized(r);
        }
        QCOMPARE(h->engine->strList(), list);
        QCOMPARE(h->lists.size(), callbacks);
        QCOMPARE(h->lists.last(), list);
    }

    // Folders of the start second and the next ones already there (sessions started within the same
    // second) are left alone: the session takes the next free second.
    void aSessionNeverSharesAFolder() {
        const QString day =
            u"historicalRecord/%1/%2"_s.arg(kConsumerId).arg(QDate::currentDate().toString(u"yyyy-MM-dd"_s));
        const qint64 now = QDateTime::currentSecsSinceEpoch() * 1000;
        QStringList taken;
        for (qint64 stamp = now; stamp <= now + 5000; stamp += 1000) {
            taken << day + u'/' + QString::number(stamp);
            QVERIFY(QDir(documents()).mkpath(taken.last()));
            QVERIFY(AudioRecordManager::writeTranscript(u"earlier"_s, taken.last()));
        }
        QVERIFY(h->runSession(kFirst));
        const QString path = h->engine->storagePath();
        QVERIFY2(!taken.contains(path) && path.section(u'/', 0, -2) == day, qPrintable(path));
        QCOMPARE(readTranscript(path), kFirstSaved);
        for (const QString &earlier : taken)
            QCOMPARE(readTranscript(earlier), u"earlier"_s);
    }

    // A disk that fills up mid-session: the transcript saved so far stays whole, the failure is told
    // once, the session and its row go on.
    void aTranscriptThatCannotBeSavedIsToldOnce() {
        QVERIFY(h->startRunning());
        const QString path = h->engine->storagePath();
        h->recognized(kFirst);
        QVERIFY(h->tick(MLLiveEngine::kTranscriptSaveTicks));
        QTRY_COMPARE(readTranscript(path), kFirstSaved);
        h->recognized(sentence(QString(20000, u'长'), u"Long"_s));
        {
            FileSizeLimit full(30000); // room for the history, not for the transcript
            QVERIFY(h->tick(MLLiveEngine::kTranscriptSaveTicks));
            const QString told = QString::fromUtf8(MLLiveEngine::kTranscriptFailedMessage);
            QTRY_VERIFY(h->toasts().contains(told));
            QVERIFY(h->stopAndWait());
            QCOMPARE(h->toasts().count(told), 1);
        }
        QCOMPARE(readTranscript(path), kFirstSaved);
        QCOMPARE(h->rows().size(), 1);
    }

    // A session gets one row whatever moment the process is killed: after the stop's row, after the
    // recovery's row (a stop whose row could not be saved keeps its marker for the recovery).
    void aSessionGetsOneRowWhateverMomentAKillHits_data() {
        QTest::addColumn<bool>("rowSavedAtStop");
        QTest::addColumn<bool>("killedAtStop");
        QTest::addColumn<bool>("killedAtRecovery");
        QTest::newRow("killed after the stop's row") << true << true << false;
        QTest::newRow("row not saved at the stop") << false << false << false;
        QTest::newRow("killed after the recovery's row") << false << false << true;
    }
    void aSessionGetsOneRowWhateverMomentAKillHits() {
        QFETCH(bool, rowSavedAtStop);
        QFETCH(bool, killedAtStop);
        QFETCH(bool, killedAtRecovery);
        const QString history = h->database.databasePath();
        QVERIFY(h->startRunning());
        h->recognized(kFirst);
        const QString marker = markerOf(h->engine->storagePath());
        QVERIFY(QFile::exists(marker));
        if (!rowSavedAtStop) // a history that cannot be written
            QVERIFY(QFile::remove(history) && QDir().mkdir(history));
        MLLiveEngine::setMarkerRemovalForTest(killedAtStop ? killed : nullptr);
        QVERIFY(h->stopAndWait());
        QCOMPARE(h->toasts().contains(QString::fromUtf8(MLLiveEngine::kRowNotSavedMessage)), !rowSavedAtStop);
        QCOMPARE(QFile::exists(marker), killedAtStop || !rowSavedAtStop);
        if (!rowSavedAtStop) // the next start, with the history back
            QVERIFY(QDir().rmdir(history) && h->database.createDB());
        MLLiveEngine::setMarkerRemovalForTest(killedAtRecovery ? killed : nullptr);
        QCOMPARE(recoverAndWait(h->database), rowSavedAtStop ? 0 : 1);
        MLLiveEngine::setMarkerRemovalForTest(nullptr);
        QCOMPARE(recoverAndWait(h->database), 0);
        QCOMPARE(h->rows().size(), 1);
        QVERIFY(!QFile::exists(marker));
    }

    // Only a small regular file is read as a marker: a FIFO, a link, a device or a large file is left
    // alone without waiting on it.
    void markersThatAreNotSmallFilesAreLeftAlone_data() {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"fifo", "link to the zero device", "link to a marker", "large file"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void markersThatAreNotSmallFilesAreLeftAlone() {
        QFETCH(QString, kind);
        const QString folder = u"historicalRecord/%1/2024-01-01/%2"_s.arg(kConsumerId).arg(qHash(kind));
        QVERIFY(QDir(documents()).mkpath(folder));
        const QString marker = markerOf(folder);
        const QString real = inDocuments(u"real-marker"_s);
        QVERIFY(writeFile(real, "2"));
        if (kind == u"fifo"_s)
            QCOMPARE(mkfifo(QFile::encodeName(marker).constData(), 0600), 0);
        else if (kind.startsWith(u"link"_s))
            QVERIFY(QFile::link(kind.endsWith(u"device"_s) ? u"/dev/zero"_s : real, marker));
        else
            QVERIFY(writeFile(marker, "2" + QByteArray(100, '\n')));
        QCOMPARE(recoverAndWait(h->database), 0);
        QVERIFY(QFile::remove(marker)); // left where it was
    }

    // Thousands of interrupted sessions are added once each while the main thread goes on turning.
    void manyInterruptedSessionsAreRecoveredOffTheMainThread() {
        constexpr int kSessions = 3000;
        for (int i = 0; i < kSessions; ++i) {
            const QString folder = u"historicalRecord/%1/2024-01-02/%2"_s.arg(kConsumerId).arg(i);
            QVERIFY(QDir(documents()).mkpath(folder) && writeFile(markerOf(folder), "4") &&
                    writeFile(inDocuments(folder + u"/recording.txt"_s), "text"));
        }
        int turns = 0;
        int turnsWhenDone = -1;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&turns] { ++turns; });
        timer.start(1);
        MLLiveEngine::recoverInterruptedSessions(
            h->database, kConsumerId, [&](int added) { turnsWhenDone = added == kSessions ? turns : -2; });
        QTRY_VERIFY_WITH_TIMEOUT(turnsWhenDone != -1, 60000);
        QVERIFY2(turnsWhenDone > 0,
                 qPrintable(QString::number(turnsWhenDone))); // the main thread turned meanwhile
        QCOMPARE(h->rows().size(), kSessions);
    }

    // A lost speech connection is made again with the same credentials, the captions going on in the
    // same list; each connection that starts gives the next loss its three tries again, and the pauses
    // between the tries grow (0.5, 1 and 2 s), so an outage of about 2 s is ridden out. A connection
    // that does not come back, or refused credentials, end the session.
    void lostSpeechConnection_data() {
        QTest::addColumn<QString>("service");
        QTest::addColumn<int>("drops");    // each one followed by the service coming back
        QTest::addColumn<int>("outageMs"); // how long the service stays away at a drop
        QTest::newRow("back at once") << u"back"_s << 1 << 0;
        QTest::newRow("back after each of four drops") << u"back"_s << 4 << 0;
        QTest::newRow("back after 2 s away") << u"back"_s << 1 << 2000;
        QTest::newRow("gone") << u"gone"_s << 1 << 0;
        QTest::newRow("credentials refused") << u"refused"_s << 1 << 0;
    }
    void lostSpeechConnection() {
        QFETCH(QString, service);
        QFETCH(int, drops);
        QFETCH(int, outageMs);
        if (outageMs == 0)
            h->engine->setReconnectPause(10); // else the product's pauses
        QSignalSpy started(&h->speech, &StandinSpeechServer::sessionStarted);
        QVERIFY(h->startRunning());
        QTRY_COMPARE(started.size(), 1);
        h->recognized(kFirst);
        h->speech.setAcceptingConnections(service != u"gone"_s);
        if (service == u"refused"_s)
            h->speech.refuseNextConnection();
        if (service == u"back"_s) {
            for (int drop = 1; drop <= drops; ++drop) {
                h->speech.beginOutage(outageMs);
                QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1 + drop, 20000);
                QTRY_COMPARE(h->engine->reconnectTries(), 0); // the engine has seen it start
            }
            h->recognized(sentence(u"第二句"_s, u"Second"_s));
            QCOMPARE(h->engine->strList(), (QStringList{u"第一句\nFirst"_s, u"第二句\nSecond"_s, QString()}));
            QCOMPARE(h->engine->state(), State::Running);
            QVERIFY(!h->toasts().contains(QString::fromUtf8(MLLiveEngine::kSpeechLostMessage)));
            return;
        }
        h->speech.dropConnections();
        QTRY_VERIFY(h->toasts().contains(QString::fromUtf8(MLLiveEngine::kSpeechLostMessage)));
        QTRY_VERIFY(h->engine->state() == State::Idle);
        QCOMPARE(h->statuses, (QList<bool>{true, false}));
        QCOMPARE(started.size(), 1);
        QTRY_COMPARE(h->meter().endCount(), 1);
        QCOMPARE(h->rows().size(), 1);
    }

    // A second stop while one is pending and a stop when idle do nothing; the session's last events
    // within the stop delay still count, later ones do not; the list stays as the session left it
    // until the next session's set-up empties it silently.
    void aSecondStopAndLateEventsAreIgnored() {
        QVERIFY(h->startRunning());
        h->engine->stopTranslation();
        h->engine->stopTranslation();
        QVERIFY(h->overlayShown());
        h->recognized(kFirst);
        QTRY_VERIFY(h->engine->state() == State::Idle);
        QTRY_VERIFY(!h->overlayShown()); // the end-of-use report is answered
        h->engine->stopTranslation();
        h->recognized(sentence(u"太晚了"_s, u"Too late"_s));
        QCOMPARE(h->engine->strList(), (QStringList{u"第一句\nFirst"_s, QString()}));
        QCOMPARE(readTranscript(h->engine->storagePath()), kFirstSaved);
        const qsizetype callbacks = h->lists.size();
        QVERIFY(h->startRunning());
        QCOMPARE(h->engine->strList(), QStringList{QString()});
        QCOMPARE(h->lists.size(), callbacks);
        QCOMPARE(h->statuses, (QList<bool>{true, false, true}));
        QCOMPARE(h->requests(kEndPath), 1);
        QCOMPARE(h->rows().size(), 1);
    }

    // The session runs on without a microphone and says so once: when it starts without one, and when
    // the one it hears goes away with no other to take. One that comes meanwhile is taken up, and the
    // session recorded from its first sound.
    void microphoneNoticesComeOncePerSession_data() {
        QTest::addColumn<QStringList>("inputs"); // at the start
        QTest::newRow("none at the start") << QStringList();
        QTest::newRow("one at the start") << QStringList{u"mic"_s};
    }
    void microphoneNoticesComeOncePerSession() {
        QFETCH(QStringList, inputs);
        TestAudioInputs system;
        system.listed = inputs;
        h->capture.setAudioInputs(&system);
        h->capture.setWatchInterval(1);
        QVERIFY(h->startRunning());
        for (int i = 0; i < 2; ++i) { // a microphone comes and goes, twice
            system.listed = {u"usb"_s};
            QTRY_COMPARE(system.openInputs(), QStringList{u"usb"_s});
            system.feed(u"usb"_s, toPcm16(signal({{1.0, 0.5, 330}}, MLAudioCapture::kSampleRate)));
            system.listed.clear();
            QTRY_VERIFY(system.openInputs().isEmpty());
        }
        QCOMPARE(h->toasts().count(QString::fromUtf8(MLLiveEngine::kNoInputMessage)),
                 inputs.isEmpty() ? 1 : 0);
        QCOMPARE(h->toasts().count(QString::fromUtf8(MLLiveEngine::kInputLostMessage)), 1);
        QCOMPARE(h->engine->state(), State::Running);
        QVERIFY(h->stopAndWait()); // while the inputs are there
        const auto recording = probeAudio(inDocuments(h->engine->storagePath() + u"/recording.m4a"_s));
        QVERIFY(recording && recording->seconds > 1.8);
    }

    // Another device of the same account holds a metered session.
    void aSecondSessionOfTheAccountElsewhereIsStopped() {
        const QString consumer = QString::number(kConsumerId);
        const QString other = h->meter().issueKeepupSin(consumer, u"7"_s, u"zh-CN"_s, u"en"_s);
        const auto grant = h->meter().redeemKeepupSin(consumer, other, u"7"_s);
        QVERIFY(grant && h->meter().keepup(grant->keepupKey).ok());
        h->start();
        QTRY_COMPARE(h->statuses, QList<bool>{false});
        QTRY_COMPARE(h->requests(kEndPath), 1);
        QTRY_VERIFY(h->engine->state() == State::Idle);
    }
};

ML_TEST_MAIN(TestNormalEngine)
#include "tst_normalengine.moc"
