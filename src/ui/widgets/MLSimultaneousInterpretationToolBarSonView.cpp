#include "ui/widgets/MLSimultaneousInterpretationToolBarSonView.h"

#include "platform/kit/ui/MLAnchors.h"
#include "platform/kit/ui/MLImage.h"

#include <QApplication>
#include <QLabel>

namespace {
const QSize kIconSize(25, 25);
}

MLSimultaneousInterpretationToolBarSonView::MLSimultaneousInterpretationToolBarSonView(QWidget *parent)
    : QWidget(parent) {
    // The tab bar may colour the item with a style sheet as well as with the palette.
    setAttribute(Qt::WA_StyledBackground);
    creatUI();
    layoutUI();
}

void MLSimultaneousInterpretationToolBarSonView::creatUI() {
    m_iconImage = new QLabel(this);
    m_iconImage->setScaledContents(true);

    m_tipLabel = new QLabel(this);
    QFont font = QApplication::font();
    font.setPixelSize(12);
    m_tipLabel->setFont(font);
    m_tipLabel->setAutoFillBackground(false);
    setTitleColor(QColor(QStringLiteral("#4E4E4E")));
}

void MLSimultaneousInterpretationToolBarSonView::layoutUI() {
    MLAnchors::make(m_iconImage, [](MLConstraintMaker &m) {
        m.left().offset(25);
        m.centerY();
        m.size(kIconSize);
    });
    MLAnchors::make(m_tipLabel, [](MLConstraintMaker &m) {
        m.left().offset(55);
        m.centerY();
    });
}

void MLSimultaneousInterpretationToolBarSonView::setImageStr(const QString &imageStr, const QString &title) {
    m_imageStr = imageStr;
    showImage();
    m_tipLabel->setText(title);
    MLAnchors::layoutIfNeeded(this);
}

void MLSimultaneousInterpretationToolBarSonView::setSeleted(bool seleted) {
    showImage();
    setTitleColor(QColor(seleted ? QStringLiteral("#0089FF") : QStringLiteral("#4E4E4E")));
}

void MLSimultaneousInterpretationToolBarSonView::showImage() {
    const QPixmap image = MLImage::pixmap(m_imageStr, kIconSize);
    if (image.isNull())
        m_iconImage->clear();
    else
        m_iconImage->setPixmap(image);
}

void MLSimultaneousInterpretationToolBarSonView::setTitleColor(const QColor &color) {
    QPalette palette = m_tipLabel->palette();
    palette.setColor(QPalette::WindowText, color);
    m_tipLabel->setPalette(palette);
}
