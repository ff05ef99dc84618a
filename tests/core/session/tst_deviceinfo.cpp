#include "core/session/RezirDeviceInfo.h"
#include "platform/kit/MLUserDefaults.h"
#include "support/MLTestMain.h"

#include <QHostAddress>
#include <QTemporaryDir>
#include <QUuid>

class TestDeviceInfo : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &content) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
        return path;
    }

private Q_SLOTS:
    void identifierIsDerivedFromTheMachineId() {
        MLUserDefaults defaults(m_dir.filePath(QStringLiteral("a.ini")));
        const QByteArray machineId = "4c4c4544004b3910804cb4c04f4e3132";
        const QString path = writeFile(QStringLiteral("machine-id"), machineId + "\n");
        const QString id = RezirDeviceInfo::machineIdentifier(defaults, {path});
        QVERIFY(!QUuid::fromString(id).isNull());
        QCOMPARE(id, id.toUpper());
        QVERIFY(!QString(id)
                     .remove(QLatin1Char('-'))
                     .contains(QString::fromLatin1(machineId), Qt::CaseInsensitive));
        QCOMPARE(RezirDeviceInfo::machineIdentifier(defaults, {path}),
                 RezirDeviceInfo::machineIdentifier(defaults, {path}));
        const QString other = writeFile(QStringLiteral("other-id"), "0123456789abcdef0123456789abcdef");
        QVERIFY(RezirDeviceInfo::machineIdentifier(defaults, {other}) !=
                RezirDeviceInfo::machineIdentifier(defaults, {path}));
        QVERIFY(!defaults.hasKey(QLatin1String(RezirDeviceInfo::kIdentifierKey)));
    }

    void withoutMachineIdARandomIdentifierIsKept_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("empty file") << QByteArray("\n");
        QTest::newRow("too short") << QByteArray("abc");
    }
    void withoutMachineIdARandomIdentifierIsKept() {
        QFETCH(QByteArray, content);
        const QString path = content.isNull() ? m_dir.filePath(QStringLiteral("absent"))
                                              : writeFile(QStringLiteral("short-id"), content);
        const QString file =
            m_dir.filePath(QStringLiteral("%1.ini").arg(QString::fromLatin1(QTest::currentDataTag())));
        QString first;
        {
            MLUserDefaults defaults(file);
            first = RezirDeviceInfo::machineIdentifier(defaults, {path});
            QVERIFY(!QUuid::fromString(first).isNull());
        }
        MLUserDefaults reopened(file); // survives a restart
        QCOMPARE(RezirDeviceInfo::machineIdentifier(reopened, {path}), first);
        MLUserDefaults fresh(
            m_dir.filePath(QStringLiteral("fresh-%1.ini").arg(QString::fromLatin1(QTest::currentDataTag()))));
        QVERIFY(RezirDeviceInfo::machineIdentifier(fresh, {path}) != first);
    }

    void descriptionHoldsIdentifierAddressAndModel() {
        const QVariantMap info = RezirDeviceInfo::getDeviceInfo();
        QVERIFY(!QUuid::fromString(info.value(QStringLiteral("idfv")).toString()).isNull());
        QCOMPARE(RezirDeviceInfo::getDeviceInfo().value(QStringLiteral("idfv")),
                 info.value(QStringLiteral("idfv")));
        const QHostAddress address(info.value(QStringLiteral("ip")).toString());
        QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
        QVERIFY(!address.isLoopback());
        QVERIFY(!info.value(QStringLiteral("model")).toString().isEmpty());
    }
};

ML_TEST_MAIN(TestDeviceInfo)
#include "tst_deviceinfo.moc"
