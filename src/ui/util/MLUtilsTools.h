#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// Time texts and the subtitle look read from the user defaults. The subtitle getters read the
// settings afresh on every call: the settings window changes them while subtitles are showing.
class MLUtilsTools final {
public:
    // Today as "yyyy-MM-dd" in the local time zone.
    static QString getNowDate();
    // Whole seconds since 1970 times 1000, as decimal text.
    static QString getNowTimeTimestamp();
    // Seconds as decimal text -> "HH:MM:SS", each part at least two digits; hours are not limited
    // ("100:00:05"). Text that is not a number, and negative numbers, count as 0.
    static QString getMMSSFromSS(const QString &totalSeconds);
    // Milliseconds since 1970 as decimal text -> the moment in the local time zone, formatted with
    // `format` (QDateTime format letters) or "yyyy-MM-dd HH:mm:ss" when `format` is empty. Text that
    // is not a number counts as 0.
    static QString getDateTime(const QString &milliseconds, const QString &format);

    // The subtitle font: "NSUserDefaultsFontSizeKey" "小" 14, "中" 18, "大" 22, anything else 14 pixels.
    static QFont returnFontSize();
    // The colour of the recognised line: "NSUserDefaultsSourceBgFloatKey" "2" #a4fca2, "3" #f0a5a4,
    // "4" #96ccff, anything else white.
    static QColor returnColorForSourceLanguage();
    // The same table for the translated line, under "NSUserDefaultsTargetBgFloatKey".
    static QColor returnColorForTargetLanguage();
};
