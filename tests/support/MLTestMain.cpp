#include "support/MLTestMain.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace ml::test {

void prepareEnvironment() {
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/mltest-XXXXXX"));
    const QString root = home.path();
    qputenv("HOME", root.toUtf8());
    for (const auto &[variable, folder] : {std::pair{"XDG_CONFIG_HOME", "config"},
                                           {"XDG_DATA_HOME", "data"},
                                           {"XDG_CACHE_HOME", "cache"},
                                           {"XDG_DOCUMENTS_DIR", "Documents"},
                                           {"XDG_RUNTIME_DIR", "runtime"}}) {
        QDir(root).mkpath(QLatin1String(folder));
        qputenv(variable, (root + u'/' + QLatin1String(folder)).toUtf8());
    }
    // The runtime folder holds the single-instance lock and socket; it must be private to the user.
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QStandardPaths::setTestModeEnabled(true);
}

} // namespace ml::test
