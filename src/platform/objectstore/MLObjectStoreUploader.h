#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;

// The PUT of a file to a presigned object-store address. The file is streamed from the disk, never read
// into memory, and the request carries one header field of its own, "Content-Type" (the one the
// address was signed for).
class MLObjectStoreUploader final {
public:
    struct Result {
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QString errorString;
        int httpStatus = 0;
        QByteArray body;
    };
    using Completion = std::function<void(const Result &result)>;

    MLObjectStoreUploader() = delete;

    // Starts the PUT on `network` (the application's when null). `completion` runs once on the main
    // loop, also when the file cannot be opened, unless `context` is destroyed first.
    static void putFile(const QUrl &url, const QString &filePath, const QString &contentType,
                        QObject *context, Completion completion, QNetworkAccessManager *network = nullptr);

    static constexpr int kTransferTimeoutMs = 60000;
};
