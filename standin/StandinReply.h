#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>

// A route handler's answer. Envelope routes send {"code", "message", "dt", "m5"} with "dt" encrypted;
// plain and multipart routes send {"code", "message", "dt"} with "dt" as plain JSON; raw routes send
// `rawBody` as it is.
struct StandinReply {
    QString code = QStringLiteral("SUCCESS");
    QString message = QStringLiteral("操作成功");
    QJsonValue dt; // the payload; undefined sends none
    int httpStatus = 200;

    // Raw routes only.
    QByteArray rawBody;
    QByteArray contentType = QByteArrayLiteral("application/json");
    QList<QPair<QByteArray, QByteArray>> extraHeaders;

    static StandinReply success(const QJsonValue &payload = QJsonValue(QJsonValue::Undefined)) {
        StandinReply reply;
        reply.dt = payload;
        return reply;
    }
    static StandinReply failure(const QString &code, const QString &message) {
        StandinReply reply;
        reply.code = code;
        reply.message = message;
        return reply;
    }
    static StandinReply raw(const QByteArray &body, const QByteArray &contentType, int status = 200) {
        StandinReply reply;
        reply.rawBody = body;
        reply.contentType = contentType;
        reply.httpStatus = status;
        return reply;
    }

    bool isSuccess() const { return code == QLatin1String("SUCCESS"); }
};
