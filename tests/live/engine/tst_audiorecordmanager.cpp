#include "live/engine/AudioRecordManager.h"
#include "platform/audio/MLAudioCapture.h"
#include "platform/audio/MLMediaInfo.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>

#include <sys/resource.h>

using namespace ml::test;

namespace {

constexpr const char *kChildFolderVariable = "ML_RECORDER_CHILD_FOLDER";

QString documents() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The child of the kill test: records the input file (fast) into the folder, says so, and waits
// to be killed without ever closing the recording.
int runRecordingChild(int argc, char *argv[], const QString &folder) {
    QCoreApplication app(argc, argv);
    MLAudioCapture::setRealTimePace(false);
    MLAudioCapture capture;
    AudioRecordManager recorder(&capture);
    QObject::connect(&capture, &MLAudioCapture::stateChanged, &app, [](MLAudioCapture::State state) {
        if (state == MLAudioCapture::State::Finished) {
            std::fputs("recorded\n", stdout);
            std::fflush(stdout);
        }
    });
    recorder.start(folder);
    if (!recorder.isRecording())
        return 2;
    return app.exec();
}

} // namespace

class TestAudioRecordManager : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_input;

    // A session folder under Documents, as the engines make them; returns the relative path.
    QString sessionFolder(const QString &name) {
        const QString relative = QStringLiteral("historicalRecord/7/2024-05-01/%1").arg(name);
        QDir(documents()).mkpath(relative);
        return relative;
    }

private Q_SLOTS:
    void initTestCase() {
        m_input = m_dir.filePath(QStringLiteral("session.wav"));
        QVERIFY(writeWav(m_input, signal({{0.5, 0}, {1.5, 0.5, 330}, {0.5, 0}}, 16000), 16000, 1));
    }

    void init() {
        MLAudioCapture::setRealTimePace(false);
        MLAudioCapture::setInputFile(m_input);
    }

    void recordsTheSessionIntoItsFolder() {
        const QString folder =
            documents() + QLatin1Char('/') + sessionFolder(QStringLiteral("1714550400000"));
        MLAudioCapture capture;
        AudioRecordManager recorder(&capture);
        recorder.start(folder);
        QVERIFY(recorder.isRecording());
        QTRY_COMPARE(capture.state(), MLAudioCapture::State::Finished);
        recorder.stop();
        QVERIFY(!recorder.isRecording());
        QCOMPARE(capture.consumerCount(), 0);
        QCOMPARE(capture.state(), MLAudioCapture::State::Idle);

        const auto probe = probeAudio(folder + QStringLiteral("/recording.m4a"));
        QVERIFY(probe);
        QCOMPARE(probe->codec, QStringLiteral("aac"));
        QCOMPARE(probe->sampleRate, 12000);
        QCOMPARE(probe->channels, 1);
        QVERIFY2(qAbs(probe->seconds - 2.5) < 0.2, qPrintable(QString::number(probe->seconds)));
    }

    void startWhileRecordingClosesTheFirstFile() {
        const QString first = documents() + QLatin1Char('/') + sessionFolder(QStringLiteral("first"));
        const QString second = documents() + QLatin1Char('/') + sessionFolder(QStringLiteral("second"));
        MLAudioCapture capture;
        AudioRecordManager recorder(&capture);
        recorder.start(first);
        QTRY_COMPARE(capture.state(), MLAudioCapture::State::Finished);
        recorder.start(second);
        QTRY_COMPARE(capture.state(), MLAudioCapture::State::Finished);
        recorder.stop();
        // Both whole: a first file left unclosed would end at its last full fragment (2 s).
        for (const QString &folder : {first, second}) {
            const auto seconds = MLMediaInfo::durationSeconds(folder + QStringLiteral("/recording.m4a"));
            QVERIFY(seconds);
            QVERIFY2(*seconds > 2.4, qPrintable(QString::number(*seconds)));
        }
    }

    void destroyingTheManagerClosesTheRecording() {
        const QString folder = documents() + QLatin1Char('/') + sessionFolder(QStringLiteral("released"));
        MLAudioCapture capture;
        {
            AudioRecordManager recorder(&capture);
            recorder.start(folder);
            QTRY_COMPARE(capture.state(), MLAudioCapture::State::Finished);
        }
        QCOMPARE(capture.consumerCount(), 0);
        const auto seconds = MLMediaInfo::durationSeconds(folder + QStringLiteral("/recording.m4a"));
        QVERIFY(seconds && *seconds > 2.4);
    }

    void noRecordingWithoutInput_data() {
        QTest::addColumn<QString>("inputFile");
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<int>("failures"); // a missing input is a normal state, a missing folder is not
        QTest::newRow("no microphone") << QString() << true << 0;
        QTest::newRow("unreadable input") << QStringLiteral("/no/such/input.wav") << true << 0;
        QTest::newRow("folder missing") << QStringLiteral("session.wav") << false << 1;
    }
    void noRecordingWithoutInput() {
        QFETCH(QString, inputFile);
        QFETCH(bool, folderExists);
        QFETCH(int, failures);
        MLAudioCapture::setInputFile(inputFile == QLatin1String("session.wav") ? m_input : inputFile);
        const QString relative = QStringLiteral("historicalRecord/7/none-%1").arg(QTest::currentDataTag());
        if (folderExists)
            QDir(documents()).mkpath(relative);
        const QString folder = documents() + QLatin1Char('/') + relative;
        MLAudioCapture capture;
        capture.setDevice(QAudioDevice()); // a machine without microphone
        AudioRecordManager recorder(&capture);
        QSignalSpy failed(&recorder, &AudioRecordManager::recordingFailed);
        recorder.start(folder);
        QVERIFY(!recorder.isRecording());
        QCOMPARE(failed.size(), failures);
        QCOMPARE(capture.consumerCount(), 0);
        QVERIFY(!QFile::exists(folder + QStringLiteral("/recording.m4a")));
        recorder.stop(); // nothing runs: no effect
        QVERIFY(!recorder.isRecording());
        // The session still gets its transcript when its folder exists.
        recorder.startWriteTxt(QStringLiteral("第一句"), relative);
        QCOMPARE(QFile::exists(folder + QStringLiteral("/recording.txt")), folderExists);
    }

    // A disk that fills up mid-recording (a file size limit stands in for it): the failure is told
    // once, the capture goes on for the others, the stop works.
    void aRecordingThatCannotBeWrittenIsToldOnce() {
        const QString relative = sessionFolder(QStringLiteral("full"));
        MLAudioCapture capture;
        AudioRecordManager recorder(&capture);
        QSignalSpy failed(&recorder, &AudioRecordManager::recordingFailed);
        rlimit previous{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
        rlimit small = previous;
        small.rlim_cur = 4000; // the header and a little more
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        recorder.start(documents() + QLatin1Char('/') + relative);
        const bool recording = recorder.isRecording();
        const bool finished =
            QTest::qWaitFor([&capture] { return capture.state() == MLAudioCapture::State::Finished; }, 5000);
        recorder.stop();
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &previous), 0);
        QVERIFY(recording);
        QVERIFY(finished);
        QCOMPARE(failed.size(), 1);
        QVERIFY(!recorder.isRecording());
        QVERIFY(AudioRecordManager::writeTranscript(QStringLiteral("still here"), relative));
    }

    void transcriptIsWrittenAsUtf8_data() {
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QByteArray>("expected");
        // Entries joined by "\n\n" as the engines do; the open entry at the end is empty.
        QTest::newRow("two sentences") << QStringList{QStringLiteral("大家好。\nHello everyone."),
                                                      QStringLiteral("谢谢。\nThank you."), QString()}
                                       << QByteArray("大家好。\nHello everyone.\n\n谢谢。\nThank you.\n\n");
        QTest::newRow("empty caption list") << QStringList{QString()} << QByteArray();
    }
    void transcriptIsWrittenAsUtf8() {
        QFETCH(QStringList, captions);
        QFETCH(QByteArray, expected);
        const QString relative = sessionFolder(QStringLiteral("txt-%1").arg(QTest::currentDataTag()));
        AudioRecordManager recorder;
        recorder.startWriteTxt(captions.join(QStringLiteral("\n\n")), relative);
        const QByteArray written =
            readAll(documents() + QLatin1Char('/') + relative + QStringLiteral("/recording.txt"));
        QCOMPARE(written, expected);
        QVERIFY(!written.startsWith("\xEF\xBB\xBF"));
    }

    void secondTranscriptReplacesTheFirst() {
        const QString relative = sessionFolder(QStringLiteral("twice"));
        AudioRecordManager recorder;
        recorder.startWriteTxt(QStringLiteral("a much longer first transcript\n\n"), relative);
        recorder.startWriteTxt(QStringLiteral("第二次"), relative);
        QCOMPARE(readAll(documents() + QLatin1Char('/') + relative + QStringLiteral("/recording.txt")),
                 QStringLiteral("第二次").toUtf8());
        // Nothing but the transcript is left behind (no temporary files).
        QCOMPARE(QDir(documents() + QLatin1Char('/') + relative).entryList(QDir::Files),
                 QStringList{QStringLiteral("recording.txt")});
    }

    void transcriptStaysInsideDocuments_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty") << QString();
        QTest::newRow("climbing out") << QStringLiteral("historicalRecord/../../outside");
        QTest::newRow("missing folder") << QStringLiteral("historicalRecord/never/made");
    }
    void transcriptStaysInsideDocuments() {
        QFETCH(QString, path);
        QDir(documents()).mkpath(QStringLiteral("../outside"));
        AudioRecordManager recorder;
        recorder.startWriteTxt(QStringLiteral("text"), path);
        QVERIFY(!QFile::exists(documents() + QStringLiteral("/recording.txt")));
        QVERIFY(!QFile::exists(documents() + QStringLiteral("/../outside/recording.txt")));
        QVERIFY(!QFile::exists(documents() + QLatin1Char('/') + path + QStringLiteral("/recording.txt")));
    }

    void killedRecorderLeavesAPlayableFile() {
        const QString folder = m_dir.filePath(QStringLiteral("killed"));
        QVERIFY(QDir().mkpath(folder));
        const QString input = m_dir.filePath(QStringLiteral("long.wav"));
        QVERIFY(writeWav(input, signal({{5.0, 0.4, 500}}, 16000), 16000, 1));

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(kChildFolderVariable), folder);
        env.insert(QStringLiteral("ML_AUDIO_INPUT"), input);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        while (!child.readAllStandardOutput().contains("recorded"))
            QVERIFY2(child.waitForReadyRead(20000), "the child never finished feeding its recording");
        child.kill(); // SIGKILL: no destructor, no trailer
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        const QString path = folder + QStringLiteral("/recording.m4a");
        const auto probe = probeAudio(path);
        QVERIFY(probe);
        QCOMPARE(probe->codec, QStringLiteral("aac"));
        QCOMPARE(probe->sampleRate, 12000);
        // Everything up to the last complete fragment (about a second each) survives.
        QVERIFY2(probe->seconds > 3.5 && probe->seconds <= 5.1, qPrintable(QString::number(probe->seconds)));
        const auto seconds = MLMediaInfo::durationSeconds(path);
        QVERIFY(seconds && qAbs(*seconds - probe->seconds) < 0.1);
    }
};

int main(int argc, char *argv[]) {
    const QString childFolder = qEnvironmentVariable(kChildFolderVariable);
    if (!childFolder.isEmpty())
        return runRecordingChild(argc, argv, childFolder);
    ml::test::prepareEnvironment();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("mltranslate"));
    QApplication::setApplicationName(QStringLiteral("mltranslate-tests"));
    TestAudioRecordManager tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_audiorecordmanager.moc"
