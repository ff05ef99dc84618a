#include "StandinEnvelope.h"

#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"

#include <QJsonArray>
#include <QJsonDocument>

std::optional<QJsonObject> StandinEnvelope::openRequest(const QByteArray &body, Problem *problem) {
    *problem = Problem::None;
    if (body.trimmed().isEmpty())
        return QJsonObject{};
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        *problem = Problem::BadEnvelope;
        return std::nullopt;
    }
    const QJsonObject envelope = document.object();
    if (envelope.isEmpty())
        return QJsonObject{}; // a call without parameters
    const QJsonValue dt = envelope.value(QStringLiteral("dt"));
    const QJsonValue m5 = envelope.value(QStringLiteral("m5"));
    if (!dt.isString() || !m5.isString()) {
        *problem = Problem::BadEnvelope;
        return std::nullopt;
    }
    const QString text = SecurityCore::decryptString(dt.toString());
    if (text.isEmpty()) {
        *problem = Problem::BadEnvelope;
        return std::nullopt;
    }
    if (MLDigest::md5Hex(text) != m5.toString()) {
        *problem = Problem::BadDigest;
        return std::nullopt;
    }
    const QJsonDocument parameters = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !parameters.isObject()) {
        *problem = Problem::BadEnvelope;
        return std::nullopt;
    }
    return parameters.object();
}

QString StandinEnvelope::payloadText(const QJsonValue &payload) {
    switch (payload.type()) {
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(payload.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(payload.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::String:
        return payload.toString();
    case QJsonValue::Double:
        return payload.toDouble() == static_cast<double>(payload.toInteger())
                   ? QString::number(payload.toInteger())
                   : QString::number(payload.toDouble());
    case QJsonValue::Bool:
        return payload.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return {};
    }
}

QJsonObject StandinEnvelope::sealAnswer(const StandinReply &reply, bool encrypt) {
    QJsonObject answer{{QStringLiteral("code"), reply.code}, {QStringLiteral("message"), reply.message}};
    if (!encrypt) {
        answer.insert(QStringLiteral("dt"), reply.dt.isUndefined() ? QJsonValue() : reply.dt);
        return answer;
    }
    // An answer without data has no "dt"; its "m5" is the MD5 of the empty text.
    const QString text = payloadText(reply.dt);
    if (!text.isEmpty())
        answer.insert(QStringLiteral("dt"), SecurityCore::encryptString(text));
    answer.insert(QStringLiteral("m5"), MLDigest::md5Hex(text));
    return answer;
}
