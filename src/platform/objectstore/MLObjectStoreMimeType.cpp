#include "platform/objectstore/MLObjectStoreMimeType.h"

#include <QHash>
#include <QMimeDatabase>
#include <QUrl>

namespace {

// The types uploads most often carry, fixed so that they do not depend on the system's database.
const QHash<QString, QString> &knownTypes() {
    static const QHash<QString, QString> types = {
        {QStringLiteral("mp3"), QStringLiteral("audio/mpeg")},
        {QStringLiteral("wav"), QStringLiteral("audio/wav")},
        {QStringLiteral("m4a"), QStringLiteral("audio/mp4")},
        {QStringLiteral("mp4"), QStringLiteral("video/mp4")},
        {QStringLiteral("aac"), QStringLiteral("audio/aac")},
        {QStringLiteral("flac"), QStringLiteral("audio/flac")},
        {QStringLiteral("ogg"), QStringLiteral("audio/ogg")},
        {QStringLiteral("opus"), QStringLiteral("audio/opus")},
        {QStringLiteral("amr"), QStringLiteral("audio/amr")},
        {QStringLiteral("wma"), QStringLiteral("audio/x-ms-wma")},
        {QStringLiteral("pdf"), QStringLiteral("application/pdf")},
        {QStringLiteral("txt"), QStringLiteral("text/plain")},
        {QStringLiteral("doc"), QStringLiteral("application/msword")},
        {QStringLiteral("docx"),
         QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.document")},
    };
    return types;
}

QString extensionOf(const QString &name) {
    const QString fileName = name.section(QLatin1Char('/'), -1);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.mid(dot + 1) : QString();
}

} // namespace

QString MLObjectStoreMimeType::mimeTypeForExtension(const QString &extension) {
    const QString lower = extension.toLower();
    if (lower.isEmpty())
        return {};
    if (const auto it = knownTypes().constFind(lower); it != knownTypes().constEnd())
        return *it;
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(QStringLiteral("file.") + lower, QMimeDatabase::MatchExtension);
    return type.isDefault() ? QString() : type.name();
}

QString MLObjectStoreMimeType::mimeTypeForFilePath(const QString &filePath, const QString &uploadName) {
    const QUrl url(filePath);
    const QString path = url.isLocalFile() ? url.toLocalFile() : filePath;
    for (const QString &name : {path, uploadName}) {
        const QString type = mimeTypeForExtension(extensionOf(name));
        if (!type.isEmpty())
            return type;
    }
    return QStringLiteral("application/octet-stream");
}
