#pragma once

#include <QJsonValue>
#include <QString>

// Texts that come from the service and end up in front of the user (toasts, alerts) or go back to it
// (the "errMsg" of an authorisation renewal): bounded, so a hostile answer cannot flood the interface.
namespace MLServiceText {

// Texts longer than this are cut.
inline constexpr qsizetype kMaxCharacters = 300;

// `text` as it is when it has at most kMaxCharacters characters; otherwise its first kMaxCharacters
// (a surrogate pair is never split) followed by "…".
QString forDisplay(const QString &text);

// An answer's "message" fit for a toast: "系统异常" when it is missing, empty or not a string.
QString message(const QJsonValue &message);

} // namespace MLServiceText
