#include "core/session/MLUserManager.h"
#include "live/engine/MLDBManager.h"
#include "support/MLTestMain.h"

#include <QStandardPaths>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace {
// Runs raw SQL on a database file, to lay out files the store must cope with.
bool execRaw(const QString &path, const char *sql) {
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
              sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

int countRaw(const QString &path, const char *sql) {
    sqlite3 *db = nullptr;
    sqlite3_stmt *statement = nullptr;
    int count = -1;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        count = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

HistoricalRecordModel record(qint64 id, qint64 type, const QString &path, const QString &date) {
    return HistoricalRecordModel{id, type, path, date};
}
} // namespace

class TestHistoryStore : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_files = 0;
    qint64 m_userId = 0;

    QString freshPath() { return m_dir.filePath(QStringLiteral("db%1/historicalRecord.db").arg(++m_files)); }
    MLDBManager store(const QString &path) {
        return MLDBManager(path, [this] { return m_userId; });
    }

private Q_SLOTS:
    void rowsBelongToTheUserReadAtEachCall_data() {
        QTest::addColumn<qint64>("reader");
        QTest::addColumn<QList<HistoricalRecordModel>>("expected");
        const QString a = QStringLiteral("historicalRecord/7/2024-01-01/1704067200000");
        QTest::newRow("newest first") << qint64(7)
                                      << QList{record(3, 2, QStringLiteral("c"), QStringLiteral("3000")),
                                               record(1, 2, a, QStringLiteral("1000"))};
        QTest::newRow("without account details")
            << qint64(0) << QList{record(2, 1, QStringLiteral("b"), QStringLiteral("2000"))};
        QTest::newRow("other user") << qint64(8)
                                    << QList{record(4, 4, QStringLiteral("d"), QStringLiteral("4000"))};
        QTest::newRow("user without rows") << qint64(9) << QList<HistoricalRecordModel>();
    }
    void rowsBelongToTheUserReadAtEachCall() {
        QFETCH(qint64, reader);
        QFETCH(QList<HistoricalRecordModel>, expected);
        MLDBManager db = store(freshPath());
        QVERIFY(db.createDB());
        const QList<std::tuple<qint64, qint64, QString, QString>> saves{
            {7, 2, QStringLiteral("historicalRecord/7/2024-01-01/1704067200000"), QStringLiteral("1000")},
            {0, 1, QStringLiteral("b"), QStringLiteral("2000")},
            {7, 2, QStringLiteral("c"), QStringLiteral("3000")},
            {8, 4, QStringLiteral("d"), QStringLiteral("4000")}};
        for (const auto &[user, type, path, date] : saves) {
            m_userId = user;
            QVERIFY(db.saveData(path, type, date));
        }
        m_userId = reader;
        const auto rows = db.findData();
        QVERIFY(rows); // an empty list, never nothing, for a user without rows
        QCOMPARE(*rows, expected);
    }

    void valuesAreStoredIntact_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("type");
        QTest::addColumn<QString>("date");
        QTest::newRow("double quote")
            << QStringLiteral("historicalRecord/1/a\"b") << qint64(2) << QStringLiteral("1700000000000");
        QTest::newRow("statement text") << QStringLiteral("x\"); drop table historicalRecord; --")
                                        << qint64(4) << QStringLiteral("'1'\"");
        QTest::newRow("placeholders")
            << QStringLiteral("%@ %ld ?1 :a @b $c \\ '") << qint64(1) << QStringLiteral("?2");
        QTest::newRow("unicode, 64-bit type")
            << QStringLiteral("会话/一\n二") << qint64(5000000000) << QStringLiteral("9999999999000");
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
        QCOMPARE(*rows, QList({record(2, type, path, date), record(1, type, path, date)}));
    }

    void idsBeyond32BitsReadWhole() {
        const QString path = freshPath();
        MLDBManager db = store(path);
        QVERIFY(db.createDB());
        QVERIFY(execRaw(path, "insert into historicalRecord values (3000000000, 'old', 2, '1000', 5)"));
        m_userId = 5;
        QVERIFY(db.saveData(QStringLiteral("new"), 2, QStringLiteral("2000")));
        const auto rows = db.findData();
        QVERIFY(rows);
        QCOMPARE(*rows, QList({record(3000000001, 2, QStringLiteral("new"), QStringLiteral("2000")),
                               record(3000000000, 2, QStringLiteral("old"), QStringLiteral("1000"))}));
    }

    void deleteRemovesOnlyTheCurrentUsersRow() {
        MLDBManager db = store(freshPath());
        QVERIFY(db.createDB());
        m_userId = 7;
        QVERIFY(db.saveData(QStringLiteral("mine"), 2, QStringLiteral("1000")));
        m_userId = 8;
        QVERIFY(db.saveData(QStringLiteral("theirs"), 2, QStringLiteral("2000")));

        m_userId = 7;
        QVERIFY(db.deleteData(2)); // another user's row: runs, removes nothing
        m_userId = 8;
        QCOMPARE(db.findData()->size(), 1);

        m_userId = 7;
        QVERIFY(db.deleteData(1));
        QCOMPARE(db.findData(), std::optional(QList<HistoricalRecordModel>()));
        m_userId = 8;
        QCOMPARE(db.findData()->value(0).path, QStringLiteral("theirs"));
    }

    void unusableFileFailsQuietly_data() {
        QTest::addColumn<bool>("folder");
        QTest::newRow("not a database") << false;
        QTest::newRow("a folder") << true;
    }
    void unusableFileFailsQuietly() {
        QFETCH(bool, folder);
        const QString path = freshPath();
        QVERIFY(QDir().mkpath(folder ? path : QFileInfo(path).absolutePath()));
        const QByteArray garbage(4096, 'x');
        if (!folder) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(garbage);
        }
        MLDBManager db = store(path);
        QVERIFY(!db.createDB());
        QVERIFY(!db.saveData(QStringLiteral("p"), 2, QStringLiteral("1000")));
        if (!folder)
            QTest::ignoreMessage(QtWarningMsg, "Not found");
        QVERIFY(!db.findData());
        QVERIFY(!db.deleteData(1));
        if (!folder) { // the file is left as it was
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), garbage);
        }
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
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        if (!setup.isEmpty())
            QVERIFY(execRaw(path, setup.constData()));

        MLDBManager db = store(path);
        if (!hasTable) {
            QVERIFY(!db.saveData(QStringLiteral("lost"), 2, QStringLiteral("1500")));
            QTest::ignoreMessage(QtWarningMsg, "Not found");
            QVERIFY(!db.findData());
        }
        QVERIFY(db.createDB());
        QVERIFY(db.createDB());
        QVERIFY(db.saveData(QStringLiteral("new"), 2, QStringLiteral("2000")));
        const auto rows = db.findData();
        QVERIFY(rows);
        QStringList paths;
        for (const auto &row : *rows)
            paths << row.path;
        QCOMPARE(paths, hasTable ? QStringList({"new", "old"}) : QStringList({"new"}));
        if (!setup.isEmpty()) // other data in the file survives
            QCOMPARE(countRaw(path, "select count(*) from other where x = 'kept'"), 1);
    }

    void sharedInstanceUsesDocumentsAndTheSessionUser() {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QVERIFY(QDir(documents).removeRecursively()); // the store makes the folder it needs
        MLDBManager &db = MLDBManager::getSharedInstance();
        QCOMPARE(db.databasePath(), QDir(documents).filePath(QStringLiteral("historicalRecord.db")));
        QVERIFY(QFileInfo::exists(db.databasePath()));

        MLUserManager::sharedManager().setCurrentMineUser(MLMineModel{{}, {}, {}, {}, 99, {}});
        QVERIFY(db.saveData(QStringLiteral("historicalRecord/99/x/1"), 2, QStringLiteral("1000")));
        QCOMPARE(db.findData()->size(), 1);
        MLUserManager::sharedManager().setCurrentMineUser(std::nullopt);
        QCOMPARE(db.findData()->size(), 0);
    }
};

ML_TEST_MAIN(TestHistoryStore)
#include "tst_history_store.moc"
