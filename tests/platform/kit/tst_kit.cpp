#include "platform/kit/MLDispatch.h"
#include "platform/kit/MLKeyedArchive.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLUserDefaults.h"
#include "support/MLTestMain.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

namespace {
struct Token {
    QString token;
    ML_MODEL(Token, ML_FIELD(token))
};
struct OtherToken {
    QString token;
    ML_MODEL(OtherToken, ML_FIELD(token))
};
} // namespace

class TestKit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void notificationReachesLiveObserversOnly() {
        MLNotificationCenter center;
        int calls = 0;
        auto *dying = new QObject;
        QObject living;
        center.addObserver(dying, QStringLiteral("N"), [&](const MLNotification &) { ++calls; });
        center.addObserver(&living, QStringLiteral("N"), [&](const MLNotification &n) {
            ++calls;
            QCOMPARE(n.userInfo.value(QStringLiteral("k")).toInt(), 7);
        });
        center.postNotificationName(QStringLiteral("N"), nullptr, {{QStringLiteral("k"), 7}});
        QCOMPARE(calls, 2);
        delete dying;
        QCOMPARE(center.observerCount(QStringLiteral("N")), 1);
        center.postNotificationName(QStringLiteral("N"), nullptr, {{QStringLiteral("k"), 7}});
        QCOMPARE(calls, 3);
    }

    void observerDestroyedDuringDeliveryIsSkipped() {
        MLNotificationCenter center;
        auto *second = new QObject;
        bool secondCalled = false;
        QObject first;
        center.addObserver(&first, QStringLiteral("N"), [&](const MLNotification &) { delete second; });
        center.addObserver(second, QStringLiteral("N"), [&](const MLNotification &) { secondCalled = true; });
        center.postNotificationName(QStringLiteral("N"));
        QVERIFY(!secondCalled);
    }

    void postFromWorkerThreadIsDeliveredOnMainThread() {
        MLNotificationCenter center;
        QObject observer;
        QThread *deliveredOn = nullptr;
        center.addObserver(&observer, QStringLiteral("N"),
                           [&](const MLNotification &) { deliveredOn = QThread::currentThread(); });
        QThread *worker = QThread::create([&] { center.postNotificationName(QStringLiteral("N")); });
        worker->start();
        worker->wait();
        delete worker;
        QTRY_COMPARE(deliveredOn, QThread::currentThread());
    }

    void userDefaultsRoundTripAndTypes() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ini"));
        {
            MLUserDefaults defaults(path);
            defaults.setString(QStringLiteral("大"), QStringLiteral("NSUserDefaultsFontSizeKey"));
            defaults.setData(QByteArray("\x00\x01\xff", 3), QStringLiteral("blob"));
            defaults.setObject(5, QStringLiteral("number"));
            QVERIFY(defaults.synchronize());
        }
        MLUserDefaults reread(path);
        QCOMPARE(reread.stringForKey(QStringLiteral("NSUserDefaultsFontSizeKey")), QStringLiteral("大"));
        QCOMPARE(reread.dataForKey(QStringLiteral("blob")), QByteArray("\x00\x01\xff", 3));
        QCOMPARE(reread.stringForKey(QStringLiteral("blob")), QString());
        QCOMPARE(reread.stringForKey(QStringLiteral("number")), QStringLiteral("5"));
        QVERIFY(!reread.hasKey(QStringLiteral("absent")));
        reread.removeObjectForKey(QStringLiteral("number"));
        QVERIFY(!reread.hasKey(QStringLiteral("number")));
    }

    // The settings hold the session token: private to the user when made, after each write, and an
    // existing readable file is tightened when opened.
    void userDefaultsArePrivate() {
        constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
        const auto mode = [](const QString &path) {
            return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        };
        QTemporaryDir dir;
        const QString made = dir.filePath(QStringLiteral("made.ini"));
        {
            MLUserDefaults defaults(made);
            defaults.setString(QStringLiteral("token"), QStringLiteral("currentUser"));
            QVERIFY(defaults.synchronize());
        }
        QCOMPARE(mode(made), kOwnerOnly);
        const QString old = dir.filePath(QStringLiteral("old.ini"));
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly, kOwnerOnly | QFile::ReadGroup | QFile::ReadOther));
        file.close();
        MLUserDefaults reopened(old);
        QCOMPARE(mode(old), kOwnerOnly);
        const QString folder = QFileInfo(MLUserDefaults::defaultFilePath()).absolutePath();
        QCOMPARE(mode(folder), kOwnerOnly | QFile::ExeOwner);
    }

    void archiveRestrictedToItsClass() {
        const QByteArray data = MLKeyedArchive::archivedData(Token{QStringLiteral("abc")});
        const auto back = MLKeyedArchive::unarchivedObjectOfClass<Token>(data);
        QVERIFY(back);
        QCOMPARE(back->token, QStringLiteral("abc"));
        QVERIFY(!MLKeyedArchive::unarchivedObjectOfClass<OtherToken>(data));
        QVERIFY(!MLKeyedArchive::unarchivedObjectOfClass<Token>(QByteArray("garbage")));
        QVERIFY(
            !MLKeyedArchive::unarchivedObjectOfClass<Token>(QByteArray(R"({"class":"Token","fields":3})")));
    }

    void delayedCallDroppedWithItsContext() {
        bool kept = false, dropped = false;
        QObject context;
        auto *gone = new QObject;
        MLDispatch::after(10, &context, [&] { kept = true; });
        MLDispatch::after(10, gone, [&] { dropped = true; });
        delete gone;
        QTRY_VERIFY(kept);
        QVERIFY(!dropped);
    }
};

ML_TEST_MAIN(TestKit)
#include "tst_kit.moc"
