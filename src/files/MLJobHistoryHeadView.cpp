#include "files/MLJobHistoryHeadView.h"

#include "platform/kit/ui/MLAnchors.h"
#include "ui/widgets/MLLook.h"

#include <QLabel>

MLJobHistoryHeadView::MLJobHistoryHeadView(const QString &costTitle, QWidget *parent)
    : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setUI(costTitle);
    layoutUI();
}

void MLJobHistoryHeadView::setUI(const QString &costTitle) {
    m_lineTop = MLLook::makeLine(this, QStringLiteral("#f5f5f5"));
    m_lineBottom = MLLook::makeLine(this, QStringLiteral("#f5f5f5"));
    const QString colour = QStringLiteral("#8C8C8C");
    m_operationLabel = MLLook::makeLabel(this, 14, colour, QStringLiteral("文件名"));
    m_startTimeLabel = MLLook::makeLabel(this, 14, colour, costTitle);
    m_timeLabel = MLLook::makeLabel(this, 14, colour, QStringLiteral("状态信息"));
    m_consumptionLabel = MLLook::makeLabel(this, 14, colour, QStringLiteral("操作"));
}

void MLJobHistoryHeadView::layoutUI() {
    MLAnchors::make(m_lineTop, [](MLConstraintMaker &m) {
        m.left();
        m.right();
        m.top();
        m.height(1);
    });
    MLAnchors::make(m_lineBottom, [](MLConstraintMaker &m) {
        m.left();
        m.right();
        m.bottom();
        m.height(1);
    });
    const QList<QPair<QLabel *, int>> columns = {
        {m_operationLabel, 20}, {m_startTimeLabel, 305}, {m_timeLabel, 505}, {m_consumptionLabel, 700}};
    for (const auto &[label, left] : columns) {
        MLAnchors::make(label, [left](MLConstraintMaker &m) {
            m.left().offset(left);
            m.centerY();
        });
    }
}
