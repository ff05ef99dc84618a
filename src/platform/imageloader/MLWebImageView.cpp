#include "platform/imageloader/MLWebImageView.h"

#include "platform/imageloader/MLImageLoader.h"
#include "platform/kit/ui/MLImage.h"

#include <QPainter>
#include <QPainterPath>

MLWebImageView::MLWebImageView(QWidget *parent)
    : QWidget(parent) {}

void MLWebImageView::setImageWithURL(const QUrl &url, const QString &placeholderAssetName) {
    const quint64 generation = ++m_generation;
    m_imageURL = url;
    m_placeholderName = placeholderAssetName;
    m_image = QImage();
    m_assetName = placeholderAssetName;
    m_assetPixmap = QPixmap();
    update();
    MLImageLoader &loader = m_loader ? *m_loader : MLImageLoader::sharedLoader();
    loader.loadImage(
        url, this,
        [this, generation](const QImage &image) {
            if (generation != m_generation)
                return;
            m_image = image;
            update();
            Q_EMIT imageLoaded();
        },
        nullptr);
}

void MLWebImageView::setImageNamed(const QString &assetName) {
    ++m_generation;
    m_imageURL = QUrl();
    m_image = QImage();
    m_assetName = assetName;
    m_assetPixmap = QPixmap();
    update();
}

void MLWebImageView::setImage(const QImage &image) {
    ++m_generation;
    m_imageURL = QUrl();
    m_assetName.clear();
    m_assetPixmap = QPixmap();
    m_image = image;
    update();
}

void MLWebImageView::setCornerRadius(qreal radius) {
    m_cornerRadius = radius;
    update();
}

void MLWebImageView::setBackgroundColor(const QColor &color) {
    m_backgroundColor = color;
    update();
}

QPixmap MLWebImageView::assetPixmap() {
    if (m_assetName.isEmpty() || size().isEmpty())
        return {};
    if (m_assetPixmap.isNull() || m_assetPixmap.deviceIndependentSize().toSize() != size())
        m_assetPixmap = MLImage::pixmap(m_assetName, size());
    return m_assetPixmap;
}

void MLWebImageView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_cornerRadius > 0) {
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
        painter.setClipPath(clip);
    }
    if (m_backgroundColor.alpha() > 0)
        painter.fillRect(rect(), m_backgroundColor);
    if (!m_image.isNull()) {
        painter.drawImage(rect(), m_image);
        return;
    }
    const QPixmap asset = assetPixmap();
    if (!asset.isNull())
        painter.drawPixmap(rect(), asset);
}
