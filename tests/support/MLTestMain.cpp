#include "support/MLTestMain.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace ml::test {

namespace {
QTemporaryDir &home() {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/mltest-XXXXXX"));
    return dir;
}
} // namespace

void prepareEnvironment() {
    const QString root = home().path();
    for (const char *sub : {"config", "data", "cache", "Documents"})
        QDir(root).mkpath(QLatin1String(sub));
    qputenv("HOME", root.toUtf8());
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CACHE_HOME", (root + QStringLiteral("/cache")).toUtf8());
    qputenv("XDG_DOCUMENTS_DIR", (root + QStringLiteral("/Documents")).toUtf8());
    // The runtime folder holds the single-instance lock and socket; it must be private to the user.
    QDir(root).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/runtime")).toUtf8());
    QStandardPaths::setTestModeEnabled(true);
}

QString homeDir() {
    return home().path();
}

} // namespace ml::test
