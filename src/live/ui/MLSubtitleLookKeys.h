#pragma once

#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLUserDefaults.h"

#include <QString>

// The subtitle look lives in four user-defaults text keys. Writers synchronise right after writing and
// announce the change; every reader applies its own fallback to an absent or unknown value.
namespace MLSubtitleLookKeys {

// "小", "中", "大": subtitle rows in 14, 18 or 22 points (anything else: 14).
inline const QString kFontSizeKey = QStringLiteral("NSUserDefaultsFontSizeKey");
// "1" to "4": colour of the recognised line (anything else: white).
inline const QString kSourceColorKey = QStringLiteral("NSUserDefaultsSourceBgFloatKey");
// "1" to "4": colour of the translated line (anything else: white).
inline const QString kTargetColorKey = QStringLiteral("NSUserDefaultsTargetBgFloatKey");
// "0.7" or "0.3": alpha of the floating window's black background (anything else: 0.7).
inline const QString kBgFloatKey = QStringLiteral("NSUserDefaultsBgFloatKey");

// What every writer does: stores `value` under `key`, synchronises and posts `notification`.
inline void write(const QString &key, const QString &value, const QString &notification) {
    MLUserDefaults &defaults = MLUserDefaults::standardUserDefaults();
    defaults.setString(value, key);
    defaults.synchronize();
    MLNotificationCenter::defaultCenter().postNotificationName(notification);
}

} // namespace MLSubtitleLookKeys
