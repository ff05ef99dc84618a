#include "platform/objectstore/MLObjectStoreUploader.h"

#include "platform/http/MLHttpTransport.h"

#include <QFile>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>

Q_LOGGING_CATEGORY(lcObjectStore, "ml.objectstore")

void MLObjectStoreUploader::putFile(const QUrl &url, const QString &filePath, const QString &contentType,
                                    QObject *context, Completion completion, QNetworkAccessManager *network) {
    if (!network)
        network = MLHttpTransport::shared().network();
    auto *file = new QFile(filePath);
    if (!file->open(QIODevice::ReadOnly)) {
        Result result;
        result.error = QNetworkReply::UnknownContentError;
        result.errorString = file->errorString();
        delete file;
        qCWarning(lcObjectStore) << "cannot read" << filePath << "for the upload:" << result.errorString;
        QTimer::singleShot(0, context, [completion = std::move(completion), result] {
            if (completion)
                completion(result);
        });
        return;
    }
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType.toUtf8());
    request.setHeader(QNetworkRequest::ContentLengthHeader, file->size());
    request.setTransferTimeout(kTransferTimeoutMs);
    QNetworkReply *reply = network->put(request, file);
    file->setParent(reply);
    const QPointer<QObject> guard(context);
    const bool held = context != nullptr;
    QObject::connect(
        reply, &QNetworkReply::finished, reply, [reply, guard, held, completion = std::move(completion)] {
            reply->deleteLater();
            Result result;
            result.error = reply->error();
            result.errorString = reply->errorString();
            result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            result.body = reply->readAll();
            if (result.error != QNetworkReply::NoError)
                qCInfo(lcObjectStore)
                    << "upload failed:" << result.error << result.httpStatus << result.errorString;
            if ((held && !guard) || !completion)
                return;
            completion(result);
        });
}
