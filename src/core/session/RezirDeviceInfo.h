#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

class MLUserDefaults;

// The description of this computer that travels with requests and sign-ins:
//   "idfv"  a stable identifier of the machine, in UUID form;
//   "ip"    the first non-loopback IPv4 address in dotted form, "0.0.0.0" when there is none
//           (looked up again every kAddressLifetimeMs);
//   "model" a short description of the machine (hardware product name, or system and architecture).
class RezirDeviceInfo final {
public:
    static QVariantMap getDeviceInfo();

    // The machine identifier: derived from the system's machine id (/etc/machine-id) so that the raw
    // id never leaves the computer; without one, a random identifier kept in `defaults` under
    // kIdentifierKey. Always the same text for one machine.
    static QString machineIdentifier(MLUserDefaults &defaults);
    // The same, reading the machine id from the first of `machineIdFiles` that holds one.
    static QString machineIdentifier(MLUserDefaults &defaults, const QStringList &machineIdFiles);
    static QString ipAddress();
    static QString model();

    static constexpr const char *kIdentifierKey = "RezirDeviceIdentifier";
    // How long getDeviceInfo() keeps an address before looking it up again.
    static constexpr qint64 kAddressLifetimeMs = 10000;
};
