#include "platform/kit/ui/MLImage.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

namespace MLImage {

QString resourcePath(const QString &assetName) {
    if (assetName.isEmpty())
        return {};
    for (const char *suffix : {".svg", ".png"}) {
        const QString path = QStringLiteral(":/images/") + assetName + QLatin1String(suffix);
        if (QFile::exists(path))
            return path;
    }
    return {};
}

bool exists(const QString &assetName) {
    return !resourcePath(assetName).isEmpty();
}

QPixmap pixmap(const QString &assetName, const QSize &size) {
    const QString path = resourcePath(assetName);
    if (path.isEmpty() || size.isEmpty())
        return {};
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    if (path.endsWith(QLatin1String(".png")))
        return QPixmap(path).scaled(size * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPixmap image(size * ratio);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    image.setDevicePixelRatio(ratio);
    return image;
}

QIcon icon(const QString &assetName) {
    const QString path = resourcePath(assetName);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

} // namespace MLImage
