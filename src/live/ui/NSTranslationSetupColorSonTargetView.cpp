#include "live/ui/NSTranslationSetupColorSonTargetView.h"

#include "live/ui/MLSettingRowLook.h"
#include "live/ui/MLSubtitleLookKeys.h"
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
    , m_defaultsKey(defaultsKey) {
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
        markView(m_greenView);
    else if (value == QLatin1String("3"))
        markView(m_redView);
    else if (value == QLatin1String("4"))
        markView(m_blueView);
    else
        markView(m_whiteView);
}

void NSTranslationSetupColorSonTargetView::markView(NSTranslationSetupColorSonSmallView *view) {
    if (m_seletdView)
        m_seletdView->setSeleted(false);
    view->setSeleted(true);
    m_seletdView = view;
}

void NSTranslationSetupColorSonTargetView::whiteViewClick() {
    chooseView(m_whiteView, QStringLiteral("1"));
}

void NSTranslationSetupColorSonTargetView::greenViewClick() {
    chooseView(m_greenView, QStringLiteral("2"));
}

void NSTranslationSetupColorSonTargetView::redViewClick() {
    chooseView(m_redView, QStringLiteral("3"));
}

void NSTranslationSetupColorSonTargetView::blueViewClick() {
    chooseView(m_blueView, QStringLiteral("4"));
}

void NSTranslationSetupColorSonTargetView::chooseView(NSTranslationSetupColorSonSmallView *view,
                                                      const QString &value) {
    if (view == m_seletdView)
        return;
    markView(view);
    MLSubtitleLookKeys::write(m_defaultsKey, value, MLSubtitleLookKeys::kChangeFontSizeNotification);
}
