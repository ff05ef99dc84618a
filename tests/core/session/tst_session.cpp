#include "core/session/MLKeyedArchive.h"
#include "core/session/MLMinePageBaseModel.h"
#include "core/session/MLUserManager.h"
#include "core/session/RezirDeviceInfo.h"
#include "platform/kit/MLUserDefaults.h"
#include "support/MLTestMain.h"
#include "support/TestFiles.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QTemporaryDir>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {
struct Row {
    QString name;
    ML_MODEL(Row, ML_FIELD(name))
};
} // namespace

class TestSession : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString written(const QString &name, const QByteArray &content) {
        const QString path = m_dir.filePath(name);
        return ml::test::writeFile(path, content) ? path : QString();
    }

private Q_SLOTS:
    void currentUserReadAfreshAndSignOutKeepsAccount() {
        MLUserDefaults defaults(m_dir.filePath(u"a.ini"_s));
        MLUserManager manager(defaults);
        QVERIFY(!manager.currentUser());
        manager.setCurrentUser(MLUserModel{u"tok"_s});
        QCOMPARE(manager.currentUser()->token, u"tok"_s);

        defaults.setData(QByteArray("not an archive"), u"currentUser"_s);
        QVERIFY(!manager.currentUser());
        defaults.setData(MLKeyedArchive::archivedData(Row{u"x"_s}), u"currentUser"_s);
        QVERIFY(!manager.currentUser()); // an archive of another class is not a user
        defaults.setData(R"({"class":"MLUserModel","fields":3})", u"currentUser"_s);
        QVERIFY(!manager.currentUser());

        // Signing out removes what is stored (nothing to remove: false) but keeps the account's id.
        QList<bool> results;
        manager.logoutBlock([&](bool ok) { results << ok; });
        manager.logoutBlock([&](bool ok) { results << ok; });
        manager.setCurrentUser(MLUserModel{u"tok"_s});
        manager.setCurrentMineUser(MLMineModel{{}, {}, {}, {}, 42, {}});
        manager.logoutBlock([&](bool ok) { results << ok; });
        QCOMPARE(results, QList<bool>({true, false, true}));
        QVERIFY(!manager.currentUser());
        QCOMPARE(manager.consumerId(), 42);
    }

    void identifierIsDerivedFromTheMachineId() {
        MLUserDefaults defaults(m_dir.filePath(u"device.ini"_s));
        const QByteArray machineId = "4c4c4544004b3910804cb4c04f4e3132";
        const QString path = written(u"machine-id"_s, machineId + "\n");
        const QString id = RezirDeviceInfo::machineIdentifier(defaults, {path});
        QVERIFY(!QUuid::fromString(id).isNull());
        QCOMPARE(id, id.toUpper());
        QVERIFY(!QString(id)
                     .remove(QLatin1Char('-'))
                     .contains(QString::fromLatin1(machineId), Qt::CaseInsensitive));
        QCOMPARE(RezirDeviceInfo::machineIdentifier(defaults, {path}),
                 RezirDeviceInfo::machineIdentifier(defaults, {path}));
        const QString other = written(u"other-id"_s, "0123456789abcdef0123456789abcdef");
        QVERIFY(RezirDeviceInfo::machineIdentifier(defaults, {other}) !=
                RezirDeviceInfo::machineIdentifier(defaults, {path}));
        QVERIFY(!defaults.hasKey(QLatin1String(RezirDeviceInfo::kIdentifierKey)));
    }

    void withoutMachineIdARandomIdentifierIsKept_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("too short") << QByteArray("abc");
    }
    void withoutMachineIdARandomIdentifierIsKept() {
        QFETCH(QByteArray, content);
        const QString path = content.isNull() ? m_dir.filePath(u"absent"_s) : written(u"short-id"_s, content);
        const QString file = m_dir.filePath(u"id-%1.ini"_s.arg(QString::fromLatin1(QTest::currentDataTag())));
        QString first;
        {
            MLUserDefaults defaults(file);
            first = RezirDeviceInfo::machineIdentifier(defaults, {path});
            QVERIFY(!QUuid::fromString(first).isNull());
        }
        MLUserDefaults reopened(file); // survives a restart
        QCOMPARE(RezirDeviceInfo::machineIdentifier(reopened, {path}), first);
        MLUserDefaults fresh(
            m_dir.filePath(u"fresh-%1.ini"_s.arg(QString::fromLatin1(QTest::currentDataTag()))));
        QVERIFY(RezirDeviceInfo::machineIdentifier(fresh, {path}) != first);
    }

    void descriptionHoldsIdentifierAddressAndModel() {
        const QVariantMap info = RezirDeviceInfo::getDeviceInfo();
        QVERIFY(!QUuid::fromString(info.value(u"idfv"_s).toString()).isNull());
        QCOMPARE(RezirDeviceInfo::getDeviceInfo().value(u"idfv"_s), info.value(u"idfv"_s));
        // An address of this machine that is not loopback, or none at all.
        const QHostAddress address(info.value(u"ip"_s).toString());
        QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
        QVERIFY(!address.isLoopback());
        QVERIFY(address == QHostAddress::AnyIPv4 || QNetworkInterface::allAddresses().contains(address));
        QVERIFY(!info.value(u"model"_s).toString().isEmpty());
    }
};

ML_TEST_MAIN(TestSession)
#include "tst_session.moc"
