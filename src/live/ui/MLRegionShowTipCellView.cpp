#include "live/ui/MLRegionShowTipCellView.h"

#include "live/ui/MLSettingRowLook.h"
#include "ui/widgets/MLLook.h"

namespace {
constexpr int kTitleTop = 15;
constexpr int kDescTop = 40;
} // namespace

MLRegionShowTipCellView::MLRegionShowTipCellView(QWidget *parent)
    : QWidget(parent) {
    setUI();
    layoutUI();
}

void MLRegionShowTipCellView::setUI() {
    m_titleLabel = MLLook::makeLabel(this, 14, QStringLiteral("#4E5679"));
    m_descLabel = MLLook::makeLabel(this, 12, QStringLiteral("#b5b5b5"));
    m_descLabel->setWordWrap(true);
    m_descLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_line_bottom = MLLook::makeLine(this, QStringLiteral("#f0f0f0"));
}

void MLRegionShowTipCellView::layoutUI() {
    m_titleLabel->adjustSize();
    m_titleLabel->move(0, kTitleTop);
    const int descHeight = m_descLabel->heightForWidth(width());
    m_descLabel->setGeometry(0, kDescTop, width(), qMax(0, descHeight));
    MLSettingRowLook::placeBottomLine(m_line_bottom, this);
}

void MLRegionShowTipCellView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutUI();
}

void MLRegionShowTipCellView::setModel(const MLRegionModel &model) {
    m_titleLabel->setText(model.regionExplain);
    m_descLabel->setText(model.desc);
    layoutUI();
}
