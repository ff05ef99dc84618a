#pragma once

#include <QString>

// Media types by file name, for the Content-Type of uploads.
class MLObjectStoreMimeType final {
public:
    MLObjectStoreMimeType() = delete;

    // The media type of the file at `filePath` (a path or a file URL's text) by its extension, else by
    // that of `uploadName`; "application/octet-stream" when neither names a known type.
    static QString mimeTypeForFilePath(const QString &filePath, const QString &uploadName);
    // The media type of one file extension (without the dot, any case); empty when unknown.
    static QString mimeTypeForExtension(const QString &extension);
};
