#include "live/ui/MLNormalTranslationView.h"

#include "live/engine/NormalTranslationHelp.h"

MLNormalTranslationView::MLNormalTranslationView(QWidget *parent)
    : MLNormalTranslationView(NormalTranslationHelp::shareHelp(), parent) {}

MLNormalTranslationView::MLNormalTranslationView(NormalTranslationHelp &engine, QWidget *parent)
    : MLTranslationModeView(engine, QStringLiteral("MLNormalTranslationView"), parent) {}
