#include "core/session/MLUserManager.h"
#include "live/engine/MLDBManager.h"
#include "support/MLTestMain.h"

#include <QStandardPaths>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <thread>

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

    // The row shown in the list is deleted by its id, whatever account id reads at the deletion.
    void deleteGoesByIdAlone() {
        MLDBManager db = store(freshPath());
        QVERIFY(db.createDB());
        m_userId = 7;
        QVERIFY(db.saveData(QStringLiteral("listed"), 2, QStringLiteral("1000")));
        QVERIFY(db.saveData(QStringLiteral("kept"), 2, QStringLiteral("2000")));
        m_userId = 0; // the account details are gone by the time the user deletes
        QVERIFY(db.deleteData(1));
        m_userId = 7;
        QCOMPARE(db.findData(),
                 std::optional(QList{record(2, 2, QStringLiteral("kept"), QStringLiteral("2000"))}));
    }

    void aFolderInPlaceOfTheFileFailsQuietly() {
        const QString path = freshPath();
        QVERIFY(QDir().mkpath(path));
        MLDBManager db = store(path);
        QVERIFY(!db.createDB());
        QVERIFY(!db.saveData(QStringLiteral("p"), 2, QStringLiteral("1000")));
        QVERIFY(!db.findData());
        QVERIFY(!db.deleteData(1));
        QVERIFY(QFileInfo(path).isDir());
    }

    // A damaged file is found at the next opening, kept aside under its own name, and a new history
    // takes new rows and lists them; the user is told once.
    void aDamagedFileIsKeptAsideForANewHistory_data() {
        QTest::addColumn<QString>("damage");
        QTest::newRow("garbage header") << QStringLiteral("header");
        QTest::newRow("truncated file") << QStringLiteral("truncate");
        QTest::newRow("corrupt last page") << QStringLiteral("last page");
    }
    void aDamagedFileIsKeptAsideForANewHistory() {
        QFETCH(QString, damage);
        const QString path = freshPath();
        m_userId = 7;
        {
            MLDBManager db = store(path);
            QVERIFY(db.createDB());
            for (int i = 0; i < 100; ++i)
                QVERIFY(db.saveData(QStringLiteral("historicalRecord/7/2024-01-01/%1").arg(i).repeated(4), 2,
                                    QStringLiteral("1000")));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 size = file.size();
        QVERIFY(size >= 4 * 4096);
        if (damage == QLatin1String("header")) {
            file.write(QByteArray(100, 'x'));
        } else if (damage == QLatin1String("truncate")) {
            QVERIFY(file.resize(size / 2));
        } else {
            file.seek(size - 4096);
            file.write(QByteArray(4096, '\xab'));
        }
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray damaged = file.readAll();
        file.close();

        MLDBManager db = store(path); // the next launch
        QStringList notices;
        db.setNoticeHandler([&notices](const QString &notice) { notices << notice; });
        QVERIFY(db.createDB());
        QVERIFY(db.saveData(QStringLiteral("after"), 4, QStringLiteral("5000")));
        QCOMPARE(db.findData(),
                 std::optional(QList{record(1, 4, QStringLiteral("after"), QStringLiteral("5000"))}));
        QCOMPARE(notices.size(), 1);
        const QFileInfoList aside = QDir(QFileInfo(path).absolutePath())
                                        .entryInfoList({QStringLiteral("historicalRecord.db.damaged-*")});
        QCOMPARE(aside.size(), 1);
        QVERIFY(notices.first().contains(aside.first().fileName()));
        QFile kept(aside.first().filePath());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), damaged);
    }

    // Two writers on one file (two instances of the application) wait for each other.
    void twoWritersLoseNoRow() {
        const QString path = freshPath();
        QVERIFY(store(path).createDB());
        const auto write = [path](qint64 user) {
            MLDBManager db(path, [user] { return user; });
            int saved = 0;
            for (int i = 0; i < 100; ++i)
                saved += db.saveData(QStringLiteral("p%1").arg(i), 2, QStringLiteral("1000")) ? 1 : 0;
            return saved;
        };
        int otherSaved = 0;
        std::thread other([&] { otherSaved = write(2); });
        const int saved = write(1);
        other.join();
        QCOMPARE(saved + otherSaved, 200);
        QCOMPARE(countRaw(path, "select count(*) from historicalRecord"), 200);
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
