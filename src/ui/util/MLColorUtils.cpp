#include "ui/util/MLColorUtils.h"

#include <QRandomGenerator>

namespace MLColorUtils {

QColor colorWithHexString(const QString &text) {
    QString hex = text.trimmed().toUpper();
    if (hex.size() < 6)
        return QColor(Qt::transparent);
    if (hex.startsWith(QLatin1String("0X")))
        hex.remove(0, 2);
    if (hex.startsWith(QLatin1Char('#')))
        hex.remove(0, 1);
    if (hex.size() != 6)
        return QColor(Qt::transparent);
    // Only plain hexadecimal digits: a sign, inner space or any other letter makes the text no colour
    // rather than a partly read one.
    for (const QChar c : std::as_const(hex)) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')))
            return QColor(Qt::transparent);
    }
    const uint rgb = hex.toUInt(nullptr, 16);
    return QColor::fromRgb((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff);
}

QColor randomColor() {
    QRandomGenerator *random = QRandomGenerator::global();
    const int red = static_cast<int>(random->bounded(255));
    const int green = static_cast<int>(random->bounded(255));
    const int blue = static_cast<int>(random->bounded(255));
    return QColor::fromRgb(red, green, blue);
}

} // namespace MLColorUtils
