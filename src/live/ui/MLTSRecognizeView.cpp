#include "live/ui/MLTSRecognizeView.h"

#include "live/ui/NSTranslationComboBoxView.h"
#include "live/ui/NSTranslationIdentifySonView.h"

namespace {
const QString kPageKey = QStringLiteral("MLTSRecognizeView");
}

MLTSRecognizeView::MLTSRecognizeView(QWidget *parent)
    : MLLivePageFrame(parent) {
    m_barView = new NSTranslationIdentifySonView;
    m_barView->setLanguageKey(kPageKey);
    setBarView(m_barView);
    initLanguage();
}

void MLTSRecognizeView::initLanguage() {
    m_barView->setLeftItem(NSTranslationComboBoxView::storedLanguage(kPageKey + QStringLiteral("Left")));
}
