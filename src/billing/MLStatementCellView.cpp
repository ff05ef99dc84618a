#include "billing/MLStatementCellView.h"

#include "platform/kit/ui/MLAnchors.h"
#include "ui/widgets/MLLook.h"

#include <QLabel>

MLStatementCellView::MLStatementCellView(const QString &timeText, QWidget *parent)
    : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setUI(timeText);
    layoutUI();
}

void MLStatementCellView::setUI(const QString &timeText) {
    m_line_bottom = MLLook::makeLine(this, QStringLiteral("#f5f5f5"));
    m_operationLabel = MLLook::makeLabel(this, 14, QStringLiteral("#4E5679"));
    m_timeLabel = MLLook::makeLabel(this, 14, QStringLiteral("#C4C4C4"), timeText);
    m_startTimeLabel = MLLook::makeLabel(this, 14, QStringLiteral("#C4C4C4"));
    m_consumptionLabel = MLLook::makeLabel(this, 16, QStringLiteral("#4E5679"));
}

void MLStatementCellView::layoutUI() {
    MLAnchors::make(m_line_bottom, [](MLConstraintMaker &m) {
        m.left();
        m.right();
        m.bottom();
        m.height(1);
    });
    MLAnchors::make(m_operationLabel, [](MLConstraintMaker &m) {
        m.top().offset(12);
        m.left().offset(10);
    });
    MLAnchors::make(m_startTimeLabel, [this](MLConstraintMaker &m) {
        m.left().equalTo(m_operationLabel);
        m.bottom().offset(-12);
    });
    MLAnchors::make(m_timeLabel, [this](MLConstraintMaker &m) {
        m.right().offset(-16);
        m.centerY().equalTo(m_startTimeLabel);
    });
    MLAnchors::make(m_consumptionLabel, [this](MLConstraintMaker &m) {
        m.right().equalTo(m_timeLabel);
        m.centerY().equalTo(m_operationLabel);
    });
}

void MLStatementCellView::setTexts(const QString &operation, const QString &consumption,
                                   const QString &startTime, const QString &time) {
    m_timeLabel->setText(time);
    setTexts(operation, consumption, startTime);
}

void MLStatementCellView::setTexts(const QString &operation, const QString &consumption,
                                   const QString &startTime) {
    m_operationLabel->setText(operation);
    m_consumptionLabel->setText(consumption);
    m_startTimeLabel->setText(startTime);
}
