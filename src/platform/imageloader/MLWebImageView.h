#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QUrl>
#include <QWidget>

class MLImageLoader;

// An image view that stretches its image over its whole rectangle, optionally inside rounded corners
// and over a background colour. It shows a named placeholder at once and replaces it with the image
// fetched from a URL; a failed fetch keeps the placeholder. A newer image or URL supersedes a load that
// is still running, and a load never reaches a destroyed view.
class MLWebImageView final : public QWidget {
    Q_OBJECT
public:
    explicit MLWebImageView(QWidget *parent = nullptr);

    // Shows the placeholder asset now, then the image at `url` once it has arrived.
    void setImageWithURL(const QUrl &url, const QString &placeholderAssetName);
    // Shows an image asset (none for an unknown name).
    void setImageNamed(const QString &assetName);
    // Shows the image (a null image shows nothing but the background).
    void setImage(const QImage &image);

    void setCornerRadius(qreal radius);
    void setBackgroundColor(const QColor &color);
    QColor backgroundColor() const { return m_backgroundColor; }

    // The loader to fetch with (the shared one by default).
    void setLoader(MLImageLoader *loader) { m_loader = loader; }

    QUrl imageURL() const { return m_imageURL; }
    QString placeholderName() const { return m_placeholderName; }
    // The fetched or given image; null while a placeholder or asset is shown.
    QImage image() const { return m_image; }
    bool isShowingPlaceholder() const { return m_image.isNull() && !m_assetName.isEmpty(); }
    QString assetName() const { return m_assetName; }

Q_SIGNALS:
    // The image from the URL has replaced the placeholder.
    void imageLoaded();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap assetPixmap();

    MLImageLoader *m_loader = nullptr;
    quint64 m_generation = 0;
    QUrl m_imageURL;
    QString m_placeholderName;
    QString m_assetName; // the asset shown while no image is
    QImage m_image;
    QPixmap m_assetPixmap;
    qreal m_cornerRadius = 0;
    QColor m_backgroundColor = Qt::transparent;
};
