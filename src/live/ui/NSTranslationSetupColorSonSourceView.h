#pragma once

#include "live/ui/NSTranslationSetupColorSonTargetView.h"

// The source-colour group: the translation-colour group over "NSUserDefaultsSourceBgFloatKey", the colour of
// a subtitle row's recognised line.
class NSTranslationSetupColorSonSourceView final : public NSTranslationSetupColorSonTargetView {
    Q_OBJECT
public:
    explicit NSTranslationSetupColorSonSourceView(QWidget *parent = nullptr);
};
