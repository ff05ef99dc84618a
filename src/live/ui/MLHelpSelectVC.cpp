#include "live/ui/MLHelpSelectVC.h"

#include <QVBoxLayout>

namespace {
constexpr int kWidth = 800;
constexpr int kHeight = 450;
constexpr int kContentTop = 20;
} // namespace

MLHelpSelectVC::MLHelpSelectVC(QWidget *parent)
    : QWidget(parent) {
    resize(kWidth, kHeight);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("MLHelpSelectVC { background: white; }"));
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
