#include "live/ui/NSTranslationSetupColorCellView.h"

#include "live/ui/MLSettingRowLook.h"
#include "ui/widgets/MLLook.h"

namespace {
constexpr int kBgGroupWidth = 150;
constexpr int kColorGroupWidth = 270;
constexpr int kGroupGap = 20;
} // namespace

NSTranslationSetupColorCellView::NSTranslationSetupColorCellView(QWidget *parent)
    : QWidget(parent) {
    creatUI();
    layoutUI();
}

void NSTranslationSetupColorCellView::creatUI() {
    m_bgColor = new NSTranslationSetupColorSonBgView(this);
    m_bgColor->titleLabel()->setText(QStringLiteral("字幕背景"));
    m_sourceColor = new NSTranslationSetupColorSonSourceView(this);
    m_sourceColor->titleLabel()->setText(QStringLiteral("原文颜色"));
    m_targetColor = new NSTranslationSetupColorSonTargetView(this);
    m_targetColor->titleLabel()->setText(QStringLiteral("译文颜色"));
    m_line = MLLook::makeLine(this, QStringLiteral("#efefef"));
}

void NSTranslationSetupColorCellView::layoutUI() {
    m_bgColor->setGeometry(0, 0, kBgGroupWidth, height());
    m_sourceColor->setGeometry(m_bgColor->geometry().right() + 1 + kGroupGap, 0, kColorGroupWidth, height());
    m_targetColor->setGeometry(m_sourceColor->geometry().right() + 1 + kGroupGap, 0, kColorGroupWidth,
                               height());
    MLSettingRowLook::placeBottomLine(m_line, this);
}

void NSTranslationSetupColorCellView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutUI();
}
