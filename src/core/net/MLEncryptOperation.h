#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <optional>
#include <utility>

// Request parameters whose keys go out in a given order (QJsonObject sorts its keys).
using MLOrderedParameters = QList<std::pair<QString, QJsonValue>>;

// The request envelope that pages pass as the parameters of a service request.
class MLEncryptOperation final {
public:
    // The compact JSON text {"dt": the parameters' compact JSON text encrypted with
    // SecurityCore::encryptString, "m5": the MD5 of that JSON text (UTF-8) as 32 lower-case hex digits}.
    static QString returnRequestJsonToDic(const QJsonObject &parameters);
    static QString returnRequestJsonToDic(const QVariantMap &parameters);
    // The same, with the parameters' keys written in the order given; "m5" digests that same text.
    static QString returnRequestJsonToDic(const MLOrderedParameters &parameters);

    // The compact JSON text of `parameters`, keys in the order given, keys and values written as
    // QJsonDocument writes them.
    static QByteArray orderedJson(const MLOrderedParameters &parameters);

    // The envelope of a JSON text (UTF-8) as it stands.
    static QString envelope(const QByteArray &json);
    // The same envelopes as bytes, as they go on the wire (the text is ASCII).
    static QByteArray envelopeBytes(QByteArrayView json);
    static QByteArray envelopeBytes(const QJsonObject &parameters);
    static QByteArray envelopeBytes(const MLOrderedParameters &parameters);

    // The "dt" and "m5" strings of an envelope or answer, views into its text.
    struct Fields {
        QByteArrayView dt;
        QByteArrayView m5;
    };
    // Reads "dt" and "m5" straight from the text of a JSON object known to be valid (the answer judge
    // has parsed it): both must be top-level strings without escapes, each once. Nothing for anything
    // else (a field missing, twice, escaped or not a string, a text that is not an object), where the
    // caller reads the parsed object instead.
    static std::optional<Fields> readFields(QByteArrayView json);
};
