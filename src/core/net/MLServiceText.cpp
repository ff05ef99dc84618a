#include "core/net/MLServiceText.h"

namespace MLServiceText {

QString forDisplay(const QString &text, qsizetype maxCharacters) {
    if (text.size() <= maxCharacters)
        return text;
    qsizetype length = maxCharacters;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length) + QChar(0x2026);
}

QString message(const QJsonValue &message) {
    const QString text = message.isString() ? message.toString() : QString();
    return QStringView(text).trimmed().isEmpty() ? QStringLiteral("系统异常") : forDisplay(text);
}

} // namespace MLServiceText
