#include "core/session/RezirDeviceInfo.h"

#include "platform/kit/MLUserDefaults.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QMutex>
#include <QNetworkInterface>
#include <QSysInfo>
#include <QUuid>

namespace {

QByteArray readTrimmed(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(256).trimmed();
}

// The namespace of the name-based identifiers derived from the machine id.
const QUuid kMachineNamespace(QStringLiteral("{6f1c7d3e-2a4b-4e57-9b0a-5d2c8e71f4a9}"));

} // namespace

QVariantMap RezirDeviceInfo::getDeviceInfo() {
    // The identifier and the model do not change while the process runs. The address may, but looking
    // it up costs more than the rest of a request's preparation, so it is looked up again only after
    // kAddressLifetimeMs.
    static const QString identifier = machineIdentifier(MLUserDefaults::standardUserDefaults());
    static const QString machineModel = model();
    static QMutex mutex;
    static QElapsedTimer addressAge;
    static QString address;
    {
        const QMutexLocker locker(&mutex);
        if (!addressAge.isValid() || addressAge.elapsed() > kAddressLifetimeMs) {
            address = ipAddress();
            addressAge.start();
        }
    }
    return {{QStringLiteral("idfv"), identifier},
            {QStringLiteral("ip"), address},
            {QStringLiteral("model"), machineModel}};
}

QString RezirDeviceInfo::machineIdentifier(MLUserDefaults &defaults) {
    return machineIdentifier(defaults,
                             {QStringLiteral("/etc/machine-id"), QStringLiteral("/var/lib/dbus/machine-id")});
}

QString RezirDeviceInfo::machineIdentifier(MLUserDefaults &defaults, const QStringList &machineIdFiles) {
    for (const QString &path : machineIdFiles) {
        const QByteArray id = readTrimmed(path);
        if (id.size() >= 16)
            return QUuid::createUuidV5(kMachineNamespace, id).toString(QUuid::WithoutBraces).toUpper();
    }
    const QString key = QLatin1String(kIdentifierKey);
    QString stored = defaults.stringForKey(key);
    if (QUuid::fromString(stored).isNull()) {
        stored = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        defaults.setString(stored, key);
        defaults.synchronize();
    }
    return stored;
}

QString RezirDeviceInfo::ipAddress() {
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const auto entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            const QHostAddress address = entry.ip();
            if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
                return address.toString();
        }
    }
    return QStringLiteral("0.0.0.0");
}

QString RezirDeviceInfo::model() {
    const QString product =
        QString::fromUtf8(readTrimmed(QStringLiteral("/sys/class/dmi/id/product_name"))).simplified();
    if (!product.isEmpty() &&
        product.compare(QLatin1String("To be filled by O.E.M."), Qt::CaseInsensitive) != 0)
        return product;
    return QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::currentCpuArchitecture();
}
