#include "files/MLJobHistoryCellView.h"

#include "files/MLFileLabels.h"
#include "platform/kit/ui/MLAnchors.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "ui/util/MLColorUtils.h"
#include "ui/widgets/MLLook.h"

#include <QLabel>

MLJobHistoryCellView::MLJobHistoryCellView(QWidget *parent)
    : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setUI();
    layoutUI();
}

void MLJobHistoryCellView::setUI() {
    m_lineBottom = new QWidget(this);
    m_lineBottom->setAutoFillBackground(true);
    QPalette palette = m_lineBottom->palette();
    palette.setColor(QPalette::Window, MLColorUtils::colorWithHexString(QStringLiteral("#f5f5f5")));
    m_lineBottom->setPalette(palette);

    m_operationLabel = MLLook::makeLabel(this, 14, QStringLiteral("#8C8C8C"));
    m_startTimeLabel = MLLook::makeLabel(this, 14, QStringLiteral("#0085FF"));
    m_timeLabel = MLLook::makeLabel(this, 14, QStringLiteral("#4E4E4E"));
    m_consumptionLabel = MLLook::makeLabel(this, 14, QStringLiteral("#0085FF"), QStringLiteral("下载"));
    m_consumptionLabel->setCursor(Qt::PointingHandCursor);
    m_consumptionLabel->hide();
    MLClickRecognizer::attach(m_consumptionLabel, this, [this] { downloadClick(); });
}

void MLJobHistoryCellView::layoutUI() {
    MLAnchors::make(m_lineBottom, [](MLConstraintMaker &m) {
        m.left();
        m.right();
        m.bottom();
        m.height(1);
    });
    MLAnchors::make(m_operationLabel, [](MLConstraintMaker &m) {
        m.left().offset(10);
        m.centerY();
        m.width(kFileNameWidth);
    });
    MLAnchors::make(m_startTimeLabel, [](MLConstraintMaker &m) {
        m.left().offset(310);
        m.centerY();
    });
    MLAnchors::make(m_timeLabel, [](MLConstraintMaker &m) {
        m.left().offset(500);
        m.centerY();
    });
    MLAnchors::make(m_consumptionLabel, [](MLConstraintMaker &m) {
        m.left().offset(690);
        m.centerY();
        m.width(130);
    });
}

void MLJobHistoryCellView::showRow(const QString &fileName, const QString &priceText,
                                   const QString &statusText, bool downloadable) {
    m_fileName = fileName;
    m_operationLabel->setToolTip(fileName);
    showFileName();
    m_startTimeLabel->setText(priceText);
    m_timeLabel->setText(statusText);
    m_consumptionLabel->setVisible(downloadable);
    MLAnchors::layoutIfNeeded(this);
}

void MLJobHistoryCellView::showFileName() {
    m_operationLabel->setText(
        MLFileLabels::elidedText(m_operationLabel, m_fileName, kFileNameWidth, kFileNameLines));
}

void MLJobHistoryCellView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    MLAnchors::layoutIfNeeded(this);
}
