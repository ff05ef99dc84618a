#include "live/ui/MLLivePageFrame.h"

#include "platform/kit/ui/MLClickRecognizer.h"
#include "platform/kit/ui/MLImage.h"

#include <QLabel>
#include <QResizeEvent>

MLLivePageFrame::MLLivePageFrame(QWidget *parent)
    : MLPageView(parent) {
    m_bgView = new QWidget(this);
    m_bgView->setObjectName(QStringLiteral("liveFrame"));
    m_bgView->setAttribute(Qt::WA_StyledBackground);
    m_bgView->setStyleSheet(QStringLiteral("#liveFrame { background: #F8FAFF; border-radius: 10px; }"));

    m_contentView = new QWidget(m_bgView);
    m_contentView->setObjectName(QStringLiteral("liveContent"));
    m_contentView->setAttribute(Qt::WA_StyledBackground);
    m_contentView->setStyleSheet(
        QStringLiteral("#liveContent { background: %1; border-radius: 10px; }").arg(kContentColor.name()));

    m_startOrOverImage = new QLabel(m_contentView);
    m_startOrOverImage->setObjectName(QStringLiteral("startOrOverImage"));
    m_startOrOverImage->setFixedSize(kStartImageSize);
    m_startOrOverImage->setScaledContents(true);
    m_startOrOverImage->setCursor(Qt::PointingHandCursor);
    setStartOrOverImage(QStringLiteral("startImage_icon"));
    MLClickRecognizer::attach(m_startOrOverImage, this, [this] { startOrOverClick(); });
}

void MLLivePageFrame::setBarView(QWidget *bar) {
    m_barView = bar;
    bar->setParent(m_contentView);
    bar->setAttribute(Qt::WA_TranslucentBackground);
    bar->lower();
    layoutUI();
}

void MLLivePageFrame::setStartOrOverImage(const QString &asset) {
    if (asset == m_startOrOverImageName)
        return;
    m_startOrOverImageName = asset;
    m_startOrOverImage->setPixmap(MLImage::pixmap(asset, kStartImageSize));
}

QRect MLLivePageFrame::middleRect() const {
    const int top = kBarTop + kBarHeight;
    const int bottom = m_startOrOverImage->geometry().top() - 5;
    return QRect(0, top, m_contentView->width(), qMax(0, bottom - top));
}

void MLLivePageFrame::layoutUI() {
    m_bgView->setGeometry(rect().adjusted(kFrameInset, kFrameInset, -kFrameInset, -kFrameInset));
    m_contentView->setGeometry(
        m_bgView->rect().adjusted(kContentInset, kContentInset, -kContentInset, -kContentInset));
    const QRect content = m_contentView->rect();
    if (m_barView)
        m_barView->setGeometry(0, kBarTop, content.width(), kBarHeight);
    m_startOrOverImage->move((content.width() - kStartImageSize.width()) / 2,
                             content.height() - kStartImageBottom - kStartImageSize.height());
}

void MLLivePageFrame::resizeEvent(QResizeEvent *event) {
    MLPageView::resizeEvent(event);
    layoutUI();
}
