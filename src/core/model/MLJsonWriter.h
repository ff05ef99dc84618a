#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringView>

// Compact JSON text written straight into one buffer, byte for byte what
// QJsonDocument::toJson(QJsonDocument::Compact) writes (keys in the object's own order, which is
// sorted; integers exactly, other numbers as the shortest text that reads back the same, non-finite
// numbers as null; texts as UTF-8 with only quote, backslash and control characters escaped, and lone
// surrogates as \uXXXX), without Qt's detour through a second copy. The request envelope writes its
// parameters with it.
namespace ml::json {

void appendCompact(const QJsonObject &object, QByteArray &out);
void appendCompact(const QJsonArray &array, QByteArray &out);
void appendCompact(const QJsonValue &value, QByteArray &out);
// A JSON string literal of `text`, quotes included.
void appendString(QStringView text, QByteArray &out);

QByteArray compact(const QJsonObject &object);

} // namespace ml::json
