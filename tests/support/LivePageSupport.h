#pragma once

#include "live/ui/NSTranslationComboBoxView.h"
#include "live/ui/NSTranslationSonView.h"
#include "core/session/MLKeyedArchive.h"
#include "platform/kit/MLUserDefaults.h"

#include <QtTest>

namespace ml::test {

// Stores the language pair of a live page (Chinese to English), as the pickers store a choice.
inline void storeLanguagePair(const QString &pageKey) {
    auto &defaults = MLUserDefaults::standardUserDefaults();
    defaults.setData(MLKeyedArchive::archivedData(MLMineLanguageListModel{
                         QStringLiteral("zh-CN"), QStringLiteral("Z"), QStringLiteral("中文（普通话）")}),
                     pageKey + QStringLiteral("Left"));
    defaults.setData(MLKeyedArchive::archivedData(MLMineLanguageListModel{
                         QStringLiteral("en"), QStringLiteral("Y"), QStringLiteral("英语")}),
                     pageKey + QStringLiteral("Right"));
    defaults.synchronize();
}

// Waits until both pickers of a control bar have their language lists.
inline bool waitForLanguageLists(NSTranslationSonView *bar, int timeoutMs = 5000) {
    return QTest::qWaitFor(
        [bar] {
            return !bar->sourceLanguageView()->dataSource().isEmpty() &&
                   !bar->targetLanguageView()->dataSource().isEmpty();
        },
        timeoutMs);
}

} // namespace ml::test
