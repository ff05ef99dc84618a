#pragma once

#include "live/ui/MLTranslationModeView.h"

class NormalTranslationHelp;

// The normal-tier page ("普通翻译"): the mode page driving the normal-tier engine (the application's
// unless another is given).
class MLNormalTranslationView final : public MLTranslationModeView {
    Q_OBJECT
public:
    explicit MLNormalTranslationView(QWidget *parent = nullptr);
    explicit MLNormalTranslationView(NormalTranslationHelp &engine, QWidget *parent = nullptr);
};
