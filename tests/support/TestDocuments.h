#pragma once

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

} // namespace ml::test
