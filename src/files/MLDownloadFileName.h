#pragma once

#include <QString>
#include <QUrl>

// Names of downloaded results. Names that come from the network are never used as paths: only their
// last component is kept, control characters are dropped, "." and ".." and empty names give the
// fallback, and overlong names are shortened (keeping their extension) to what a file system takes.
class MLDownloadFileName final {
public:
    MLDownloadFileName() = delete;

    // A plain file name made of `name`, or `fallback` when nothing usable is left.
    static QString safeFileName(const QString &name, const QString &fallback);
    // The saved name of a document result: the last component of the address's path (decoded, without
    // query or fragment).
    static QString documentFileName(const QUrl &url);
    // The saved name of a transcript: the audio file's name without its extension, with ".txt".
    static QString transcriptFileName(const QString &audioFileName);
    // `folder`/`name` when nothing exists there, else the first free "<base> (n).<ext>".
    static QString freeFilePath(const QString &folder, const QString &name);
    // "<base> (n).<ext>" for n >= 1, `name` itself for 0.
    static QString numberedName(const QString &name, int number);

    static constexpr int kMaxNameBytes = 255;
};
