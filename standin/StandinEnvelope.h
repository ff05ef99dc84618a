#pragma once

#include "StandinReply.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// The service's side of the request envelope: requests {"dt": AES hex of the parameters' JSON, "m5":
// MD5 of that JSON} (or "{}" without parameters), answers {"code", "message", "dt", "m5"}.
class StandinEnvelope final {
public:
    enum class Problem { None, BadEnvelope, BadDigest };

    // The parameters of a request body; `problem` says why there are none.
    static std::optional<QJsonObject> openRequest(const QByteArray &body, Problem *problem);

    // The answer object of a reply; "dt" encrypted and "m5" its digest when `encrypt` (no "dt" for a
    // reply without data), plain otherwise.
    static QJsonObject sealAnswer(const StandinReply &reply, bool encrypt);

    // The text that "dt" carries for a payload: compact JSON for objects and arrays, the text itself
    // for strings, decimal text for numbers, empty for nothing.
    static QString payloadText(const QJsonValue &payload);
};
