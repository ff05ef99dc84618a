#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// A multipart/form-data body taken apart (the stand-in's upload routes).
class StandinMultipart final {
public:
    struct Part {
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QString name;
        QString fileName;
        bool hasFileName = false;
        QByteArray body;
    };

    // The parts of `body` under the boundary named by `contentType`; nothing when the body is not a
    // well-formed multipart body.
    static std::optional<QList<Part>> parse(const QByteArray &contentType, const QByteArray &body);

private:
    static QString dispositionParameter(const QByteArray &disposition, const QByteArray &name, bool *found);
};
