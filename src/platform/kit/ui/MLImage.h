#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// Images by asset name, drawn from the application's image resources (":/images/<name>.svg" or .png).
namespace MLImage {

// True when an image of that name exists.
bool exists(const QString &assetName);
// The image rendered at `size` (device-independent pixels); a null pixmap for an unknown name.
QPixmap pixmap(const QString &assetName, const QSize &size);
QIcon icon(const QString &assetName);
QString resourcePath(const QString &assetName);

} // namespace MLImage
