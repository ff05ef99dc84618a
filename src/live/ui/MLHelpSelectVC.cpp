#include "live/ui/MLHelpSelectVC.h"

#include <QPalette>
#include <QVBoxLayout>

namespace {
constexpr int kWidth = 800;
constexpr int kHeight = 450;
constexpr int kContentTop = 20;
} // namespace

MLHelpSelectVC::MLHelpSelectVC(QWidget *parent)
    : QWidget(parent) {
    resize(kWidth, kHeight);
    // White through the palette, not a style sheet: a style sheet here would style every row below it
    // and make the rows' table ignore its own white palette, leaving the rows grey.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
    creatUI();
    layoutUI();
}

MLTogetherSettingView *MLHelpSelectVC::contentView() {
    if (!m_contentView) {
        m_contentView = new MLTogetherSettingView(this);
        m_contentView->setIsSetting(true);
    }
    return m_contentView;
}

void MLHelpSelectVC::creatUI() {
    contentView();
}

void MLHelpSelectVC::layoutUI() {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, kContentTop, 0, 0);
    layout->addWidget(contentView());
}
