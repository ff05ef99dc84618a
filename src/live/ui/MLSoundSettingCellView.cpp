#include "live/ui/MLSoundSettingCellView.h"

#include "live/ui/MLSettingRowLook.h"
#include "platform/kit/ui/MLImage.h"
#include "ui/widgets/MLLook.h"

#include <QPushButton>

namespace {
constexpr int kRadioImageSide = 16;
} // namespace

MLSoundSettingCellView::MLSoundSettingCellView(QWidget *parent)
    : QWidget(parent) {
    creatUI();
    layoutUI();
    bindAction();
}

void MLSoundSettingCellView::creatUI() {
    m_titleLabel = MLSettingRowLook::makeTitleLabel(this, QStringLiteral("声音设置"));
    m_contentRadioView = new QWidget(this);
    m_line = MLLook::makeLine(this, QStringLiteral("#efefef"));
}

void MLSoundSettingCellView::layoutUI() {
    MLSettingRowLook::placeTitle(m_titleLabel);
    MLSettingRowLook::placeBottomLine(m_line, this);
    MLSettingRowLook::placeUnderTitle(m_contentRadioView, m_titleLabel, m_line, this);
    for (auto *button : m_contentRadioView->findChildren<QPushButton *>(Qt::FindDirectChildrenOnly)) {
        const QSize size = button->sizeHint();
        button->setGeometry(0, (m_contentRadioView->height() - size.height()) / 2, size.width(),
                            size.height());
    }
}

void MLSoundSettingCellView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutUI();
}

void MLSoundSettingCellView::bindAction() {
    setRadioList({QStringLiteral("麦克风声音")});
}

void MLSoundSettingCellView::setRadioList(const QStringList &titles) {
    qDeleteAll(m_contentRadioView->findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
    for (const QString &title : titles) {
        auto *button =
            new QPushButton(MLImage::icon(QStringLiteral("radioBtn_seleted")), title, m_contentRadioView);
        button->setIconSize(QSize(kRadioImageSide, kRadioImageSide));
        button->setFont(MLLook::systemFont(14));
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        // A fixed choice: it looks chosen and does nothing, pressed or not.
        button->setStyleSheet(
            QStringLiteral("QPushButton, QPushButton:pressed { color: %1; background: transparent;"
                           " border: none; text-align: left; }")
                .arg(MLLook::colorName(QStringLiteral("#1D1D1D"))));
        button->show();
    }
    layoutUI();
}
