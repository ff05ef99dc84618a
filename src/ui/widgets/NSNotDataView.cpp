#include "ui/widgets/NSNotDataView.h"

#include "platform/kit/ui/MLAnchors.h"
#include "platform/kit/ui/MLImage.h"

#include <QApplication>
#include <QLabel>

namespace {
const QSize kImageSize(216, 122);
}

NSNotDataView::NSNotDataView(QWidget *parent)
    : QWidget(parent) {
    creatUI();
    layoutUI();
}

void NSNotDataView::creatUI() {
    m_imageView = new QLabel(this);
    m_imageView->setScaledContents(true);
    m_imageView->setPixmap(MLImage::pixmap(QStringLiteral("icon_data_empty"), kImageSize));

    m_textLabel = new QLabel(QStringLiteral("暂无数据"), this);
    QFont font = QApplication::font();
    font.setPixelSize(14);
    m_textLabel->setFont(font);
    QPalette palette = m_textLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(QStringLiteral("#999999")));
    m_textLabel->setPalette(palette);
    m_textLabel->setAlignment(Qt::AlignCenter);
}

void NSNotDataView::layoutUI() {
    MLAnchors::make(m_imageView, [](MLConstraintMaker &m) {
        m.centerX();
        m.centerY().offset(-25);
        m.size(kImageSize);
    });
    MLAnchors::make(m_textLabel, [this](MLConstraintMaker &m) {
        m.centerX();
        m.top().equalTo(m_imageView, MLEdge::Bottom).offset(15);
    });
}
