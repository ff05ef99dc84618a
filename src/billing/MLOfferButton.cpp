#include "billing/MLOfferButton.h"

#include "billing/MLBillingLook.h"
#include "ui/widgets/MLLook.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

MLOfferButton::MLOfferButton(qint64 tag, const QString &richTitle, QWidget *parent)
    : QAbstractButton(parent)
    , m_tag(tag)
    , m_titleLabel(new QLabel(this)) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    m_titleLabel->setTextFormat(Qt::RichText);
    m_titleLabel->setText(richTitle);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    setSeletedLook(false);
}

void MLOfferButton::setSeletedLook(bool seleted) {
    m_seletedLook = seleted;
    MLLook::setTextColor(m_titleLabel, seleted ? QStringLiteral("#ffffff") : QStringLiteral("#A6A6A6"));
    update();
}

QRect MLOfferButton::gridRect(qint64 index, qreal gridWidth) {
    const qreal width = (gridWidth - (kColumns - 1) * kSpacing) / kColumns;
    const qreal step = width + kSpacing;
    const qint64 row = index / kColumns;
    const qint64 column = index % kColumns;
    const int left = int(std::lround(column * step));
    const int right = int(std::lround(column * step + width));
    return QRect(left, int(row * kRowStep), right - left, kHeight);
}

void MLOfferButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(
        MLBillingLook::color(m_seletedLook ? QStringLiteral("#0363DE") : QStringLiteral("#d8e6fd")));
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
}

void MLOfferButton::resizeEvent(QResizeEvent *event) {
    QAbstractButton::resizeEvent(event);
    m_titleLabel->setGeometry(rect());
}
