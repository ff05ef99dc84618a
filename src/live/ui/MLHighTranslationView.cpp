#include "live/ui/MLHighTranslationView.h"

#include "live/ui/NSTranslationComboBoxView.h"
#include "live/ui/NSTranslationSonView.h"

namespace {
const QString kPageKey = QStringLiteral("MLHighTranslationView");
}

MLHighTranslationView::MLHighTranslationView(QWidget *parent)
    : MLLivePageFrame(parent) {
    m_barView = new NSTranslationSonView;
    m_barView->setLanguageKey(kPageKey);
    setBarView(m_barView);
    initLanguage();
}

void MLHighTranslationView::initLanguage() {
    m_barView->setLeftItem(NSTranslationComboBoxView::storedLanguage(kPageKey + QStringLiteral("Left")));
    m_barView->setRightItem(NSTranslationComboBoxView::storedLanguage(kPageKey + QStringLiteral("Right")));
}
