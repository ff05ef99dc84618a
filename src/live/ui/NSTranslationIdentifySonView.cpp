#include "live/ui/NSTranslationIdentifySonView.h"

#include "live/ui/NSTranslationComboBoxView.h"

#include <QHBoxLayout>
#include <QLabel>

NSTranslationIdentifySonView::NSTranslationIdentifySonView(QWidget *parent)
    : MLLiveBarView(parent) {
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(25, 0, 25, 0);
    layout->setSpacing(0);
    layout->addWidget(m_sourceLanguageView);
    layout->addStretch(1);
    layout->addWidget(m_timeLabel);
    layout->addSpacing(30);
    layout->addWidget(m_settingImage);
}
