#include "live/ui/NSTranslationSetupColorSonTargetView.h"

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

NSTranslationSetupColorSonTargetView::NSTranslationSetupColorSonTargetView(QWidget *parent)
    : NSTranslationSetupColorSonTargetView(MLSubtitleLookKeys::kTargetColorKey, parent) {}

NSTranslationSetupColorSonTargetView::NSTranslationSetupColorSonTargetView(const QString &defaultsKey,
                                                                           QWidget *parent)
    : QWidget(parent)
    , m_defaultsKey(defaultsKey)
    , m_choice(defaultsKey, MLNotificationNames::kChangeFontSize) {
    creatUI();
    layoutUI();
    bindAction();
}

void NSTranslationSetupColorSonTargetView::creatUI() {
    m_titleLabel = MLSettingRowLook::makeTitleLabel(this);
    const auto swatch = [this](const char *asset) {
        auto *view = new NSTranslationSetupColorSonSmallView(this);
        view->setImageName(QString::fromLatin1(asset));
        return view;
    };
    m_whiteView = swatch("bgTranslation_white");
    m_greenView = swatch("bgTranslation_blue");
    m_redView = swatch("bgTranslation_red");
    m_blueView = swatch("bgTranslation_darkblue");
}

void NSTranslationSetupColorSonTargetView::layoutUI() {
    MLSettingRowLook::placeTitle(m_titleLabel);
    const int top = m_titleLabel->geometry().bottom() + 1 + kSwatchInset;
    const int swatchHeight = qMax(0, height() - kSwatchInset - top);
    int left = kSwatchInset;
    for (auto *view : {m_whiteView, m_greenView, m_redView, m_blueView}) {
        view->setGeometry(left, top, kSwatchWidth, swatchHeight);
        left += kSwatchWidth + kSwatchGap;
    }
}

void NSTranslationSetupColorSonTargetView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutUI();
}

void NSTranslationSetupColorSonTargetView::bindAction() {
    MLClickRecognizer::attach(m_whiteView, this, [this] { whiteViewClick(); });
    MLClickRecognizer::attach(m_greenView, this, [this] { greenViewClick(); });
    MLClickRecognizer::attach(m_redView, this, [this] { redViewClick(); });
    MLClickRecognizer::attach(m_blueView, this, [this] { blueViewClick(); });
    defaultSelectionButton();
}

void NSTranslationSetupColorSonTargetView::defaultSelectionButton() {
    const QString value = MLUserDefaults::standardUserDefaults().stringForKey(m_defaultsKey);
    if (value == QLatin1String("2"))
        m_choice.mark(m_greenView);
    else if (value == QLatin1String("3"))
        m_choice.mark(m_redView);
    else if (value == QLatin1String("4"))
        m_choice.mark(m_blueView);
    else
        m_choice.mark(m_whiteView);
}

void NSTranslationSetupColorSonTargetView::whiteViewClick() {
    m_choice.choose(m_whiteView, QStringLiteral("1"));
}

void NSTranslationSetupColorSonTargetView::greenViewClick() {
    m_choice.choose(m_greenView, QStringLiteral("2"));
}

void NSTranslationSetupColorSonTargetView::redViewClick() {
    m_choice.choose(m_redView, QStringLiteral("3"));
}

void NSTranslationSetupColorSonTargetView::blueViewClick() {
    m_choice.choose(m_blueView, QStringLiteral("4"));
}
