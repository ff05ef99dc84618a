#include "live/ui/NSTranslationSetupColorSonSourceView.h"

#include "live/ui/MLSubtitleLookKeys.h"

NSTranslationSetupColorSonSourceView::NSTranslationSetupColorSonSourceView(QWidget *parent)
    : NSTranslationSetupColorSonTargetView(MLSubtitleLookKeys::kSourceColorKey, parent) {}
