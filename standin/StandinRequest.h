#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QUrlQuery>

struct StandinAccount;

// A request as a route handler sees it. For envelope routes `params` holds the decrypted parameters,
// for plain routes the JSON body; multipart routes fill `formFields` and the file part; raw routes read
// `body` and `query` themselves.
struct StandinRequest {
    QByteArray method;
    QString path;
    QUrlQuery query;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;

    QJsonObject params;

    QHash<QString, QString> formFields;
    bool hasFile = false;
    QString fileName;
    QByteArray fileContentType;
    QByteArray fileData;

    QString token;                     // the `tk` header
    qint64 consumerId = 0;             // the account of the token, 0 without one
    StandinAccount *account = nullptr; // valid while the handler runs; null in the request log

    QByteArray header(const QByteArray &name) const { return headers.value(name.toLower()); }
};
