#include "core/net/MLServiceText.h"

#include <QStringDecoder>

namespace MLServiceText {

QString forDisplay(const QString &text, qsizetype maxCharacters) {
    if (text.size() <= maxCharacters)
        return text;
    qsizetype length = maxCharacters;
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length) + QChar(0x2026);
}

QString forSending(const QByteArray &body) {
    // A sequence cut at the end stays in the decoder's state, out of the text.
    QStringDecoder decoder(QStringDecoder::Utf8);
    return decoder.decode(QByteArrayView(body).first(qMin(body.size(), kMaxSentBytes)));
}

QString message(const QJsonValue &message) {
    const QString text = message.isString() ? message.toString() : QString();
    return QStringView(text).trimmed().isEmpty() ? QStringLiteral("系统异常") : forDisplay(text);
}

} // namespace MLServiceText
