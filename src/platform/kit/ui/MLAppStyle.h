#pragma once

#include <QProxyStyle>

// The application's style: the style Qt would choose (the platform's, or the one named by "-style" or
// QT_STYLE_OVERRIDE), its standard icons made the first time they are drawn, measured or examined
// rather than when a widget asks for them. Qt's styles read a standard icon's image file when it is
// asked for (a menu bar asks for its overflow arrow when it is made), and reading an image file by
// name loads every image-format plugin to probe it: the app shows none of these icons at start, so
// neither the files nor the plugins are read before the first frame. A request that comes with a
// style option (a direction, a state) is answered at once.
class MLAppStyle final : public QProxyStyle {
    Q_OBJECT
public:
    // Over `base`, which it takes over; over the style Qt would choose when null.
    explicit MLAppStyle(QStyle *base = nullptr);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};
