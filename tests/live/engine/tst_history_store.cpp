// What a session leaves behind: its recording and transcript, and its row in the history store.
#include "live/engine/AudioRecordManager.h"
#include "live/engine/MLDBManager.h"
#include "platform/audio/MLAudioCapture.h"
#include "platform/audio/MLMediaInfo.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <thread>

using namespace ml::test;
using namespace Qt::StringLiterals;

namespace {
// Runs raw SQL on a database file (to lay out files the store must cope with, or to look inside);
// the number of result rows, -1 when it fails.
int execRaw(const QString &path, const char *sql) {
    sqlite3 *db = nullptr;
    int rows = 0;
    const auto count = [](void *n, int, char **, char **) {
        ++*static_cast<int *>(n);
        return 0;
    };
    const bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql, count, &rows, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok ? rows : -1;
}

using Row = HistoricalRecordModel;

// A session folder under Documents, as the engines make them; returns the relative path.
QString sessionFolder(const QString &name) {
    const QString relative = u"historicalRecord/7/2024-05-01/"_s + name;
    QDir(documents()).mkpath(relative);
    return relative;
}

} // namespace

class TestSessionFiles : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;
    qint64 m_userId = 0;
    QString m_input;

    QString freshPath() { return m_dir.filePath(u"db%1/historicalRecord.db"_s.arg(++m_files)); }
    MLDBManager store(const QString &path) {
        return MLDBManager(path, [this] { return m_userId; });
    }

private Q_SLOTS:
    // Rows belong to the account id read at each call, newest first; a user without rows gets an empty
    // list, never nothing.
    void rowsBelongToTheUserReadAtEachCall() {
        MLDBManager db = store(freshPath());
        QVERIFY(db.createDB());
        const QList<qint64> users{7, 0, 7};
        for (int i = 0; i < users.size(); ++i) {
            m_userId = users.at(i);
            QVERIFY(db.saveData(u"p%1"_s.arg(i), 2, QString::number((i + 1) * 1000)));
        }
        m_userId = 7;
        QCOMPARE(db.findData(),
                 std::optional(QList{Row{3, 2, u"p2"_s, u"3000"_s}, Row{1, 2, u"p0"_s, u"1000"_s}}));
        m_userId = 0; // without account details
        QCOMPARE(db.findData(), std::optional(QList{Row{2, 2, u"p1"_s, u"2000"_s}}));
        m_userId = 9;
        QCOMPARE(db.findData(), std::optional(QList<Row>()));
    }

    void valuesAreStoredIntact_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("type");
        QTest::addColumn<QString>("date");
        QTest::newRow("double quote") << u"historicalRecord/1/a\"b"_s << qint64(2) << u"1700000000000"_s;
        QTest::newRow("statement text")
            << u"x\"); drop table historicalRecord; --"_s << qint64(4) << u"'1'\""_s;
        QTest::newRow("placeholders") << u"%@ %ld ?1 :a @b $c \\ '"_s << qint64(1) << u"?2"_s;
        QTest::newRow("unicode, 64-bit type") << u"会话/一\n二"_s << qint64(5000000000) << u"9999999999000"_s;
    }
    void valuesAreStoredIntact() {
        QFETCH(QString, path);
        QFETCH(qint64, type);
        QFETCH(QString, date);
        m_userId = 3;
        MLDBManager db = store(freshPath());
        QVERIFY(db.createDB());
        QVERIFY(db.saveData(path, type, date));
        QVERIFY(db.saveData(path, type, date)); // the table is still there
        const auto rows = db.findData();
        QVERIFY(rows);
        QCOMPARE(*rows, QList({Row{2, type, path, date}, Row{1, type, path, date}}));
    }

    // Ids beyond 32 bits read whole; the row shown in the list is deleted by its id, whatever account
    // id reads at the deletion.
    void idsBeyond32BitsReadWholeAndDeleteTheirRow() {
        const QString path = freshPath();
        MLDBManager db = store(path);
        QVERIFY(db.createDB());
        QCOMPARE(execRaw(path, "insert into historicalRecord values (3000000000, 'old', 2, '1000', 5)"), 0);
        m_userId = 5;
        QVERIFY(db.saveData(u"new"_s, 2, u"2000"_s));
        const Row added{3000000001, 2, u"new"_s, u"2000"_s};
        QCOMPARE(db.findData(), std::optional(QList{added, Row{3000000000, 2, u"old"_s, u"1000"_s}}));
        m_userId = 0; // the account details are gone by the time the user deletes
        QVERIFY(db.deleteData(3000000000));
        m_userId = 5;
        QCOMPARE(db.findData(), std::optional(QList{added}));
    }

    // A damaged file is found at the next opening, kept aside under its own name (its rollback journal
    // beside it, never played into the new file), and a new history takes new rows and lists them; the
    // user is told once.
    void aDamagedFileIsKeptAsideForANewHistory_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QByteArray>("journal"); // left by the damaged file; none when empty
        // A rollback journal that the store leaves where it is: its header zeroed, as a finished
        // transaction leaves it, then a page record (number, old page, checksum).
        const QByteArray journal = QByteArray(28, '\0') + QByteArray::fromHex("00000002") +
                                   QByteArray(4096, '\xab') + QByteArray::fromHex("1234abcd");
        QTest::newRow("garbage header") << u"header"_s << QByteArray();
        QTest::newRow("truncated file") << u"truncate"_s << QByteArray();
        QTest::newRow("corrupt last page") << u"last page"_s << QByteArray();
        QTest::newRow("garbage header, journal left behind") << u"header"_s << journal;
    }
    void aDamagedFileIsKeptAsideForANewHistory() {
        QFETCH(QString, damage);
        QFETCH(QByteArray, journal);
        const QString path = freshPath();
        m_userId = 7;
        QVERIFY(store(path).createDB());
        QCOMPARE(execRaw(path,
                         "with recursive n(i) as (select 1 union all select i + 1 from n where i < 100) "
                         "insert into historicalRecord (path, type, date, userId) "
                         "select printf('%0200d', i), 2, '1000', 7 from n"),
                 0);
        QByteArray damaged = readFile(path);
        QVERIFY(damaged.size() >= 4 * 4096);
        if (damage == u"header"_s)
            damaged.replace(0, 100, QByteArray(100, 'x'));
        else if (damage == u"truncate"_s)
            damaged.truncate(damaged.size() / 2);
        else
            damaged.replace(damaged.size() - 4096, 4096, QByteArray(4096, '\xab'));
        QVERIFY(writeFile(path, damaged));
        if (!journal.isEmpty())
            QVERIFY(writeFile(path + u"-journal"_s, journal));

        MLDBManager db = store(path); // the next launch
        QStringList notices;
        db.setNoticeHandler([&notices](const QString &notice) { notices << notice; });
        QVERIFY(db.createDB());
        QVERIFY(db.saveData(u"after"_s, 4, u"5000"_s));
        QCOMPARE(db.findData(), std::optional(QList{Row{1, 4, u"after"_s, u"5000"_s}}));
        QCOMPARE(notices.size(), 1);
        const QDir folder(QFileInfo(path).absolutePath());
        QFileInfoList aside = folder.entryInfoList({u"historicalRecord.db.damaged-*"_s});
        aside.removeIf([](const QFileInfo &file) { return file.fileName().endsWith(u"-journal"_s); });
        QCOMPARE(aside.size(), 1);
        QVERIFY(notices.first().contains(aside.first().fileName()));
        QCOMPARE(readFile(aside.first().filePath()), damaged);
        QCOMPARE(readFile(aside.first().filePath() + u"-journal"_s),
                 journal.isEmpty() ? QByteArray("<missing>") : journal);
        // Nothing else: no journal under the new file's name.
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden).size(), journal.isEmpty() ? 2 : 3);
    }

    // A history whose path is longer than SQLite opens fails every operation, and the user is told why
    // once a start, whichever store meets it first (the recovery works on a copy of the application's).
    void aPathTooLongIsToldOncePerStart_data() {
        QTest::addColumn<int>("overLongest"); // bytes past the longest path SQLite opens
        QTest::newRow("the longest path") << 0;
        QTest::newRow("one byte longer") << 1;
    }
    void aPathTooLongIsToldOncePerStart() {
        QFETCH(int, overLongest);
        const MLHistoryDatabase *sqlite = MLHistoryDatabase::instance();
        QVERIFY(sqlite);
        const qsizetype length = sqlite->longestPath() + overLongest;
        // A folder of its own, in folders of at most 200 bytes, so that the path has exactly that length.
        const QString name = u"/historicalRecord.db"_s;
        QString folder = m_dir.filePath(u"long%1"_s.arg(++m_files));
        for (qsizetype rest; (rest = length - name.size() - folder.size()) > 0;)
            folder += rest == 1 ? u"a"_s : u'/' + QString(std::min<qsizetype>(rest - 1, 200), u'a');
        const QString path = folder + name;
        QCOMPARE(QFile::encodeName(path).size(), length);

        MLDBManager db = store(path);
        QStringList notices;
        db.setNoticeHandler([&notices](const QString &notice) { notices << notice; });
        MLDBManager recovery = db;
        const bool opens = overLongest <= 0;
        QCOMPARE(db.createDB(), opens);
        for (int session = 0; session < 2; ++session) {
            QCOMPARE(recovery.addMissingRows({Row{0, 2, u"q"_s, u"1000"_s}}, 0).has_value(), opens);
            QCOMPARE(db.saveData(u"p"_s, 2, u"1000"_s), opens);
        }
        QCOMPARE(
            notices,
            opens ? QStringList()
                  : QStringList{u"历史记录文件的路径过长（%1 字节，最多 %2 字节），历史记录无法打开和保存"_s
                                    .arg(length)
                                    .arg(sqlite->longestPath())});
    }

    // Two writers on one file (two instances of the application) wait for each other.
    void twoWritersLoseNoRow() {
        const QString path = freshPath();
        QVERIFY(store(path).createDB());
        const auto write = [path](qint64 user) {
            MLDBManager db(path, [user] { return user; });
            int saved = 0;
            for (int i = 0; i < 50; ++i)
                saved += db.saveData(u"p%1"_s.arg(i), 2, u"1000"_s) ? 1 : 0;
            return saved;
        };
        int otherSaved = 0;
        std::thread other([&] { otherSaved = write(2); });
        const int saved = write(1);
        other.join();
        QCOMPARE(saved + otherSaved, 100);
        QCOMPARE(execRaw(path, "select * from historicalRecord"), 100);
    }

    void createDBAddsAMissingTableAndKeepsRows_data() {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<bool>("hasTable");
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("other table only")
            << QByteArray("create table other (x text); insert into other values ('kept')") << false;
        QTest::newRow("existing rows")
            << QByteArray("create table historicalRecord (historicalId integer primary key, path text, type "
                          "integer, date text , userId integer); insert into historicalRecord "
                          "(path, type, date, userId) values ('old', 2, '1000', 0); "
                          "create table other (x text); insert into other values ('kept')")
            << true;
    }
    void createDBAddsAMissingTableAndKeepsRows() {
        QFETCH(QByteArray, setup);
        QFETCH(bool, hasTable);
        m_userId = 0;
        const QString path = freshPath();
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()) && writeFile(path, {}));
        if (!setup.isEmpty())
            QCOMPARE(execRaw(path, setup.constData()), 0);

        MLDBManager db = store(path);
        if (!hasTable) {
            QVERIFY(!db.saveData(u"lost"_s, 2, u"1500"_s));
            QTest::ignoreMessage(QtWarningMsg, "Not found");
            QVERIFY(!db.findData());
        }
        QVERIFY(db.createDB());
        QVERIFY(db.createDB());
        QVERIFY(db.saveData(u"new"_s, 2, u"2000"_s));
        QCOMPARE(db.findData().value_or(QList<HistoricalRecordModel>{}).size(), hasTable ? 2 : 1);
        if (!setup.isEmpty()) // other data in the file survives
            QCOMPARE(execRaw(path, "select * from other where x = 'kept'"), 1);
    }

    // ---- recordings and transcripts ----

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
        // Without an input the recorder waits for a sound; a folder that cannot take the file ends it.
        QCOMPARE(capture.consumerCount(), failures ? 0 : 1);
        QVERIFY(!QFile::exists(folder + u"/recording.m4a"_s));
        recorder.stop();
        QCOMPARE(capture.consumerCount(), 0);
        QVERIFY(!QFile::exists(folder + u"/recording.m4a"_s));
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

ML_TEST_MAIN(TestSessionFiles)
#include "tst_history_store.moc"
