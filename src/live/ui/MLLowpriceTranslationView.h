#pragma once

#include "live/ui/MLTranslationModeView.h"

class LowpriceTranslationHelp;

// The low-price page ("价低翻译"): the mode page driving the low-price engine (the application's
// unless another is given).
class MLLowpriceTranslationView final : public MLTranslationModeView {
    Q_OBJECT
public:
    explicit MLLowpriceTranslationView(QWidget *parent = nullptr);
    explicit MLLowpriceTranslationView(LowpriceTranslationHelp &engine, QWidget *parent = nullptr);
};
