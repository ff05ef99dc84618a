#include "live/ui/MLLowpriceTranslationView.h"

#include "live/engine/LowpriceTranslationHelp.h"

MLLowpriceTranslationView::MLLowpriceTranslationView(QWidget *parent)
    : MLLowpriceTranslationView(LowpriceTranslationHelp::shareHelp(), parent) {}

MLLowpriceTranslationView::MLLowpriceTranslationView(LowpriceTranslationHelp &engine, QWidget *parent)
    : MLTranslationModeView(engine, QStringLiteral("MLLowpriceTranslationView"), parent) {}
