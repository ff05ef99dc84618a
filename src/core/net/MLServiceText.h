#pragma once

#include <QJsonValue>
#include <QString>

// Texts that come from an outside service and end up in front of the user (toasts, alerts) or go back
// to the service (the "errMsg" of an authorisation renewal): bounded, so a hostile answer cannot flood
// the interface or the next request. The command line cuts the values it echoes the same way.
namespace MLServiceText {

// Texts shown longer than this are cut.
inline constexpr qsizetype kMaxCharacters = 300;

// Texts sent back are whole up to this many UTF-8 bytes.
inline constexpr qsizetype kMaxSentBytes = 64 * 1024;

// `text` as it is when it has at most `maxCharacters` characters; otherwise its first `maxCharacters`
// (a surrogate pair is never split) followed by "…".
QString forDisplay(const QString &text, qsizetype maxCharacters = kMaxCharacters);

// The UTF-8 `body` of an answer as the text sent back: its first kMaxSentBytes bytes at most, never a
// character cut in two.
QString forSending(const QByteArray &body);

// An answer's "message" fit for a toast: "系统异常" when it is missing, not a string, or empty or only
// white space.
QString message(const QJsonValue &message);

} // namespace MLServiceText
