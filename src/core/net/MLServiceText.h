#pragma once

#include <QJsonValue>
#include <QString>

// Texts that come from the service and end up in front of the user (toasts, alerts) or go back to it
// (the "errMsg" of an authorisation renewal): bounded, so a hostile answer cannot flood the interface.
// The command line cuts the values it echoes the same way.
namespace MLServiceText {

// Texts longer than this are cut.
inline constexpr qsizetype kMaxCharacters = 300;

// `text` as it is when it has at most `maxCharacters` characters; otherwise its first `maxCharacters`
// (a surrogate pair is never split) followed by "…".
QString forDisplay(const QString &text, qsizetype maxCharacters = kMaxCharacters);

// An answer's "message" fit for a toast: "系统异常" when it is missing, not a string, or empty or only
// white space.
QString message(const QJsonValue &message);

} // namespace MLServiceText
