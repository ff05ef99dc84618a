#include "live/ui/NSTranslationSetupColorSonBgView.h"

#include "live/ui/MLSettingRowLook.h"
#include "live/ui/MLSubtitleLookKeys.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/MLUserDefaults.h"
#include "platform/kit/ui/MLClickRecognizer.h"

namespace {
constexpr int kSwatchWidth = 50;
constexpr int kSwatchGap = 15;
constexpr int kSwatchInset = 10;
} // namespace

NSTranslationSetupColorSonBgView::NSTranslationSetupColorSonBgView(QWidget *parent)
    : QWidget(parent)
    , m_choice(MLSubtitleLookKeys::kBgFloatKey, MLNotificationNames::kChangeBgFloat) {
    creatUI();
    layoutUI();
    bindAction();
}

void NSTranslationSetupColorSonBgView::creatUI() {
    m_titleLabel = MLSettingRowLook::makeTitleLabel(this);
    m_blackView = new NSTranslationSetupColorSonSmallView(this);
    m_blackView->setImageName(QStringLiteral("bgTranslation_black"));
    m_whiteView = new NSTranslationSetupColorSonSmallView(this);
    m_whiteView->setImageName(QStringLiteral("bgTranslation_white"));
}

void NSTranslationSetupColorSonBgView::layoutUI() {
    MLSettingRowLook::placeTitle(m_titleLabel);
    const int top = m_titleLabel->geometry().bottom() + 1 + kSwatchInset;
    const int swatchHeight = qMax(0, height() - kSwatchInset - top);
    m_blackView->setGeometry(kSwatchInset, top, kSwatchWidth, swatchHeight);
    m_whiteView->setGeometry(kSwatchInset + kSwatchWidth + kSwatchGap, top, kSwatchWidth, swatchHeight);
}

void NSTranslationSetupColorSonBgView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutUI();
}

void NSTranslationSetupColorSonBgView::bindAction() {
    MLClickRecognizer::attach(m_blackView, this, [this] { blackViewClick(); });
    MLClickRecognizer::attach(m_whiteView, this, [this] { whiteViewClick(); });
    defaultSelectionButton();
}

void NSTranslationSetupColorSonBgView::defaultSelectionButton() {
    const QString value =
        MLUserDefaults::standardUserDefaults().stringForKey(MLSubtitleLookKeys::kBgFloatKey);
    m_choice.mark(value == QLatin1String("0.3") ? m_whiteView : m_blackView);
}

void NSTranslationSetupColorSonBgView::blackViewClick() {
    m_choice.choose(m_blackView, QStringLiteral("0.7"));
}

void NSTranslationSetupColorSonBgView::whiteViewClick() {
    m_choice.choose(m_whiteView, QStringLiteral("0.3"));
}
