#pragma once
// What the benchmarks that start the app as a process share.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// One private home (HOME, the XDG folders, Documents) for this process and the ones it starts, which
// so read the settings file that this process writes (the signed-in user); offscreen unless a
// platform is set. Made before the application object.
class BenchHome final {
public:
    BenchHome() {
        const QString home = m_home.path();
        for (const char *sub : {"config", "data", "cache", "runtime", "Documents"})
            QDir(home).mkpath(QLatin1String(sub));
        QFile::setPermissions(home + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (home + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_CACHE_HOME", (home + QStringLiteral("/cache")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", (home + QStringLiteral("/runtime")).toUtf8());
        qputenv("XDG_DOCUMENTS_DIR", (home + QStringLiteral("/Documents")).toUtf8());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }

private:
    QTemporaryDir m_home;
};
