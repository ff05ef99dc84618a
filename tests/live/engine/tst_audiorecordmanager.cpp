#include "live/engine/AudioRecordManager.h"
#include "platform/audio/MLAudioCapture.h"
#include "platform/audio/MLMediaInfo.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>

using namespace ml::test;
using namespace Qt::StringLiterals;

namespace {

// A session folder under Documents, as the engines make them; returns the relative path.
QString sessionFolder(const QString &name) {
    const QString relative = u"historicalRecord/7/2024-05-01/"_s + name;
    QDir(documents()).mkpath(relative);
    return relative;
}

} // namespace

class TestAudioRecordManager : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_input;

private Q_SLOTS:
    void initTestCase() {
        m_input = m_dir.filePath(u"session.wav"_s);
        QVERIFY(writeWav(m_input, signal({{0.5, 0}, {1.5, 0.5, 330}, {0.5, 0}}, 16000), 16000, 1));
    }

    void init() {
        MLAudioCapture::setRealTimePace(false);
        MLAudioCapture::setInputFile(m_input);
    }

    // However a recording ends (a stop, a second start, the manager's end) its file is closed whole.
    void theRecordingIsClosedWhole_data() {
        QTest::addColumn<QString>("end");
        QTest::newRow("stop") << u"stop"_s;
        QTest::newRow("second start") << u"second start"_s;
        QTest::newRow("manager destroyed") << u"destroyed"_s;
    }
    void theRecordingIsClosedWhole() {
        QFETCH(QString, end);
        QStringList folders{inDocuments(sessionFolder(end + u" 1"_s))};
        MLAudioCapture capture;
        auto recorder = std::make_unique<AudioRecordManager>(&capture);
        recorder->start(folders.last());
        QVERIFY(recorder->isRecording());
        QTRY_COMPARE(capture.state(), MLAudioCapture::State::Finished);
        if (end == u"second start"_s) {
            folders << inDocuments(sessionFolder(end + u" 2"_s));
            recorder->start(folders.last());
            QTRY_COMPARE(capture.state(), MLAudioCapture::State::Finished);
        }
        if (end == u"destroyed"_s)
            recorder.reset();
        else
            recorder->stop();
        QCOMPARE(capture.consumerCount(), 0);
        // A file left unclosed would end at its last full fragment (2 s).
        for (const QString &folder : folders) {
            const auto seconds = MLMediaInfo::durationSeconds(folder + u"/recording.m4a"_s);
            QVERIFY2(seconds && *seconds > 2.4, qPrintable(folder));
        }
    }

    void noRecordingWithoutInput_data() {
        QTest::addColumn<QString>("inputFile");
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<int>("failures"); // a missing input is a normal state, a missing folder is not
        QTest::newRow("no microphone") << QString() << true << 0;
        QTest::newRow("unreadable input") << u"/no/such/input.wav"_s << true << 0;
        QTest::newRow("folder missing") << u"session.wav"_s << false << 1;
    }
    void noRecordingWithoutInput() {
        QFETCH(QString, inputFile);
        QFETCH(bool, folderExists);
        QFETCH(int, failures);
        MLAudioCapture::setInputFile(inputFile == u"session.wav"_s ? m_input : inputFile);
        const QString relative = u"historicalRecord/7/none-"_s + QLatin1String(QTest::currentDataTag());
        if (folderExists)
            QDir(documents()).mkpath(relative);
        const QString folder = inDocuments(relative);
        MLAudioCapture capture;
        capture.setDevice(QAudioDevice()); // a machine without microphone
        AudioRecordManager recorder(&capture);
        QSignalSpy failed(&recorder, &AudioRecordManager::recordingFailed);
        recorder.start(folder);
        QVERIFY(!recorder.isRecording());
        QCOMPARE(failed.size(), failures);
        QCOMPARE(capture.consumerCount(), 0);
        QVERIFY(!QFile::exists(folder + u"/recording.m4a"_s));
        recorder.stop(); // nothing runs: no effect
        // The session still gets its transcript when its folder exists.
        recorder.startWriteTxt(u"第一句"_s, relative);
        QCOMPARE(QFile::exists(folder + u"/recording.txt"_s), folderExists);
    }

    // A disk that fills up mid-recording (a file size limit stands in for it): the failure is told
    // once, the capture goes on for the others, the stop works.
    void aRecordingThatCannotBeWrittenIsToldOnce() {
        const QString relative = sessionFolder(u"full"_s);
        MLAudioCapture capture;
        AudioRecordManager recorder(&capture);
        QSignalSpy failed(&recorder, &AudioRecordManager::recordingFailed);
        bool recording = false;
        bool finished = false;
        {
            FileSizeLimit full(4000); // the header and a little more
            recorder.start(inDocuments(relative));
            recording = recorder.isRecording();
            finished = QTest::qWaitFor(
                [&capture] { return capture.state() == MLAudioCapture::State::Finished; }, 5000);
            recorder.stop();
        }
        QVERIFY(recording && finished);
        QCOMPARE(failed.size(), 1);
        QVERIFY(!recorder.isRecording());
        QVERIFY(AudioRecordManager::writeTranscript(u"still here"_s, relative));
    }

    // A transcript that the disk cannot take whole (nothing of it, or only part) leaves the previous one
    // as it was and no temporary file; the failure is told once.
    void aTranscriptThatCannotBeSavedKeepsThePrevious_data() {
        QTest::addColumn<int>("room"); // bytes a file may hold
        QTest::addColumn<int>("size"); // of the new transcript
        QTest::newRow("no room at all") << 0 << 100;
        QTest::newRow("cut in the write buffer") << 4096 << 10000;
        QTest::newRow("cut in one large write") << 4096 << 40000;
    }
    void aTranscriptThatCannotBeSavedKeepsThePrevious() {
        QFETCH(int, room);
        QFETCH(int, size);
        const QString relative = sessionFolder(u"kept "_s + QLatin1String(QTest::currentDataTag()));
        const QString previous = u"第一句\nFirst\n\n"_s.repeated(50);
        AudioRecordManager recorder;
        QSignalSpy failed(&recorder, &AudioRecordManager::transcriptFailed);
        QVERIFY(recorder.startWriteTxt(previous, relative));
        {
            FileSizeLimit full(room);
            QVERIFY(!recorder.startWriteTxt(QString(size, u'x'), relative));
            QVERIFY(!recorder.startWriteTxt(QString(size, u'y'), relative));
        }
        QCOMPARE(readFile(inDocuments(relative + u"/recording.txt"_s)), previous.toUtf8());
        QCOMPARE(QDir(inDocuments(relative)).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"recording.txt"_s});
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().toString(), relative);
    }

    // Entries joined by "\n\n" as the engines do, the open entry at the end empty; the transcript
    // replaces an earlier one and leaves no temporary file. A path that is not a session folder under
    // Documents gets nothing.
    void transcriptIsWrittenAsUtf8InsideDocuments_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QByteArray>("expected");
        const QString session = sessionFolder(u"txt"_s);
        QTest::newRow("two sentences")
            << session << QStringList{"大家好。\nHello everyone.", "谢谢。\nThank you.", ""}
            << QByteArray("大家好。\nHello everyone.\n\n谢谢。\nThank you.\n\n");
        QTest::newRow("empty caption list") << session << QStringList{""} << QByteArray();
        QTest::newRow("empty path") << QString() << QStringList{"text"} << QByteArray("<missing>");
        QTest::newRow("climbing out")
            << u"historicalRecord/../../outside"_s << QStringList{"text"} << QByteArray("<missing>");
        QTest::newRow("sibling sharing the prefix")
            << u"../Documents2"_s << QStringList{"text"} << QByteArray("<missing>");
        QTest::newRow("missing folder")
            << u"historicalRecord/never/made"_s << QStringList{"text"} << QByteArray("<missing>");
    }
    void transcriptIsWrittenAsUtf8InsideDocuments() {
        QFETCH(QString, path);
        QFETCH(QStringList, captions);
        QFETCH(QByteArray, expected);
        QDir(documents()).mkpath(u"../outside"_s);
        QDir(documents()).mkpath(u"../Documents2"_s);
        AudioRecordManager recorder;
        recorder.startWriteTxt(u"a much longer first transcript\n\n"_s, path);
        recorder.startWriteTxt(captions.join(u"\n\n"_s), path);
        QCOMPARE(readFile(inDocuments(path + u"/recording.txt"_s)), expected);
        QCOMPARE(QDir(inDocuments(path)).entryList(QDir::Files),
                 expected == "<missing>" ? QStringList() : QStringList{u"recording.txt"_s});
    }
};

ML_TEST_MAIN(TestAudioRecordManager)
#include "tst_audiorecordmanager.moc"
