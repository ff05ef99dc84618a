#include "files/MLDownloadFileName.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The extension of a name, with its dot; none for names that start with their only dot.
qsizetype extensionStart(const QString &name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? dot : name.size();
}

QString shortened(const QString &name) {
    if (name.toUtf8().size() <= MLDownloadFileName::kMaxNameBytes)
        return name;
    QString base = name.left(extensionStart(name));
    QString extension = name.mid(base.size());
    if (extension.toUtf8().size() > MLDownloadFileName::kMaxNameBytes / 2)
        extension.clear();
    while (!base.isEmpty() && (base + extension).toUtf8().size() > MLDownloadFileName::kMaxNameBytes) {
        base.chop(1);
        if (!base.isEmpty() && base.back().isHighSurrogate())
            base.chop(1);
    }
    return base + extension;
}

} // namespace

QString MLDownloadFileName::safeFileName(const QString &name, const QString &fallback) {
    QString last = name;
    const qsizetype slash = std::max(last.lastIndexOf(QLatin1Char('/')), last.lastIndexOf(QLatin1Char('\\')));
    if (slash >= 0)
        last = last.mid(slash + 1);
    QString clean;
    clean.reserve(last.size());
    for (const QChar c : std::as_const(last)) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f)
            clean.append(c);
    }
    clean = clean.trimmed();
    if (clean.isEmpty() || clean == QLatin1String(".") || clean == QLatin1String(".."))
        return fallback;
    return shortened(clean);
}

QString MLDownloadFileName::documentFileName(const QUrl &url) {
    return safeFileName(url.path(QUrl::FullyDecoded), QStringLiteral("document"));
}

QString MLDownloadFileName::transcriptFileName(const QString &audioFileName) {
    const QString name = safeFileName(audioFileName, QString());
    const QString base = name.left(extensionStart(name));
    if (base.isEmpty())
        return QStringLiteral("transcript.txt");
    return safeFileName(base + QStringLiteral(".txt"), QStringLiteral("transcript.txt"));
}

QString MLDownloadFileName::numberedName(const QString &name, int number) {
    if (number <= 0)
        return name;
    const qsizetype split = extensionStart(name);
    return shortened(name.left(split) + QStringLiteral(" (%1)").arg(number) + name.mid(split));
}

QString MLDownloadFileName::freeFilePath(const QString &folder, const QString &name) {
    const QDir dir(folder);
    for (int number = 0;; ++number) {
        const QString candidate = dir.filePath(numberedName(name, number));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}
