#pragma once

#include "core/model/MLJsonModel.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

// Archives of small value objects, as stored in the user defaults. The format is our own and stable:
// compact JSON {"class": <model class name>, "fields": {<the model's JSON>}}. Decoding names the one
// class it accepts; an archive of any other class, or bytes that are not an archive, decode to nothing.
namespace MLKeyedArchive {

template <ml::json::Model M> QByteArray archivedData(const M &object) {
    QJsonObject archive;
    archive[QStringLiteral("class")] = QString::fromLatin1(M::modelClassName());
    archive[QStringLiteral("fields")] = ml::json::toObject(object);
    return QJsonDocument(archive).toJson(QJsonDocument::Compact);
}

template <ml::json::Model M> std::optional<M> unarchivedObjectOfClass(const QByteArray &data) {
    const auto archive = ml::json::detail::parseObject(data);
    if (!archive || archive->value(QStringLiteral("class")).toString() != QLatin1String(M::modelClassName()))
        return std::nullopt;
    const QJsonValue fields = archive->value(QStringLiteral("fields"));
    if (!fields.isObject())
        return std::nullopt;
    return ml::json::fromObject<M>(fields.toObject());
}

} // namespace MLKeyedArchive
