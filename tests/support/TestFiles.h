#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <csignal>

#include <sys/resource.h>

namespace ml::test {

// The Documents folder of the test's temporary home, and a path inside it.
inline QString documents() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}
inline QString inDocuments(const QString &relative) {
    return documents() + QLatin1Char('/') + relative;
}

// A whole file, or "<missing>" when it cannot be read.
inline QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("<missing>");
}
inline bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
// Writes `name` in `folder` (made when missing); its path, or empty when it cannot be written.
inline QString writeFile(const QString &folder, const QString &name, const QByteArray &bytes) {
    const QString path = folder + QLatin1Char('/') + name;
    return QDir().mkpath(folder) && writeFile(path, bytes) ? path : QString();
}

// While it lives, files of the process cannot grow beyond `bytes`: a write beyond fails (EFBIG, the
// signal ignored) as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_previous); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_previous{};
};

} // namespace ml::test
