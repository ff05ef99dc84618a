#pragma once

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QString>

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

} // namespace ml::test
