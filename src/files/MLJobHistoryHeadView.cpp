#include "files/MLJobHistoryHeadView.h"

#include "files/MLFileLabels.h"
#include "platform/kit/ui/MLAnchors.h"
#include "ui/util/MLColorUtils.h"

#include <QLabel>

namespace {
QWidget *makeLine(QWidget *parent) {
    auto *line = new QWidget(parent);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, MLColorUtils::colorWithHexString(QStringLiteral("#f5f5f5")));
    line->setPalette(palette);
    return line;
}
} // namespace

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
    m_lineTop = makeLine(this);
    m_lineBottom = makeLine(this);
    const QString colour = QStringLiteral("#8C8C8C");
    m_operationLabel = MLFileLabels::makeLabel(QStringLiteral("文件名"), 14, colour, this);
    m_startTimeLabel = MLFileLabels::makeLabel(costTitle, 14, colour, this);
    m_timeLabel = MLFileLabels::makeLabel(QStringLiteral("状态信息"), 14, colour, this);
    m_consumptionLabel = MLFileLabels::makeLabel(QStringLiteral("操作"), 14, colour, this);
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
