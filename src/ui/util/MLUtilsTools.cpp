#include "ui/util/MLUtilsTools.h"

#include "platform/kit/MLUserDefaults.h"

#include <QDate>
#include <QDateTime>
#include <QGuiApplication>

#include <cmath>
#include <optional>

namespace {

const QString kFontSizeKey = QStringLiteral("NSUserDefaultsFontSizeKey");
const QString kSourceColorKey = QStringLiteral("NSUserDefaultsSourceBgFloatKey");
const QString kTargetColorKey = QStringLiteral("NSUserDefaultsTargetBgFloatKey");

// A whole number from decimal text; a fraction is cut off. Nothing for text that is not a number or
// does not fit in 64 bits.
std::optional<qint64> wholeNumber(const QString &text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok);
    if (ok)
        return value;
    const double real = trimmed.toDouble(&ok);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (!ok || !std::isfinite(real) || std::fabs(real) >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<qint64>(std::trunc(real));
}

QColor subtitleColor(const QString &key) {
    const QString value = MLUserDefaults::standardUserDefaults().stringForKey(key);
    if (value == QLatin1String("2"))
        return QColor::fromRgb(0xa4, 0xfc, 0xa2);
    if (value == QLatin1String("3"))
        return QColor::fromRgb(0xf0, 0xa5, 0xa4);
    if (value == QLatin1String("4"))
        return QColor::fromRgb(0x96, 0xcc, 0xff);
    return QColor(Qt::white);
}

QString twoDigits(qint64 value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString MLUtilsTools::getNowDate() {
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

QString MLUtilsTools::getNowTimeTimestamp() {
    return QString::number(QDateTime::currentSecsSinceEpoch() * 1000);
}

QString MLUtilsTools::getMMSSFromSS(const QString &totalSeconds) {
    // A negative duration would print as "00:00:-5"; it counts as nothing elapsed.
    const qint64 seconds = qMax<qint64>(0, wholeNumber(totalSeconds).value_or(0));
    return twoDigits(seconds / 3600) + QLatin1Char(':') + twoDigits(seconds % 3600 / 60) + QLatin1Char(':') +
           twoDigits(seconds % 60);
}

QString MLUtilsTools::getDateTime(const QString &milliseconds, const QString &format) {
    const qint64 msecs = wholeNumber(milliseconds).value_or(0);
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime);
    return moment.toString(format.isEmpty() ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : format);
}

QFont MLUtilsTools::returnFontSize() {
    const QString size = MLUserDefaults::standardUserDefaults().stringForKey(kFontSizeKey);
    int pixels = 14;
    if (size == QStringLiteral("中"))
        pixels = 18;
    else if (size == QStringLiteral("大"))
        pixels = 22;
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixels);
    return font;
}

QColor MLUtilsTools::returnColorForSourceLanguage() {
    return subtitleColor(kSourceColorKey);
}

QColor MLUtilsTools::returnColorForTargetLanguage() {
    return subtitleColor(kTargetColorKey);
}
