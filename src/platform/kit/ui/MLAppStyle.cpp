#include "platform/kit/ui/MLAppStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPointer>
#include <QWidget>

#include <optional>

namespace {

// A standard icon that its style makes on first use. Every question goes to the icon made then, in
// the terms QIcon asks its engine: sizes in device pixels, pixmaps for a scale.
class DeferredStandardIcon final : public QIconEngine {
public:
    DeferredStandardIcon(QStyle *style, QStyle::StandardPixmap which, const QWidget *widget)
        : m_style(style)
        , m_which(which)
        , m_widget(const_cast<QWidget *>(widget)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, 1.0, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        return scale > 1.0 ? icon().pixmap(size / scale, scale, mode, state) : pixmap(size, mode, state);
    }
    void addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state) override {
        icon().addPixmap(pixmap, mode, state);
    }
    void addFile(const QString &fileName, const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        icon().addFile(fileName, size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    QString iconName() override { return icon().name(); }
    bool isNull() override { return icon().isNull(); }
    QIconEngine *clone() const override {
        auto *copy = new DeferredStandardIcon(m_style, m_which, m_widget);
        copy->m_icon = m_icon;
        return copy;
    }

private:
    QIcon &icon() {
        if (!m_icon) {
            // The style (the proxy's base) may have gone with a change of the application's style.
            QStyle *style = m_style ? m_style.data() : QApplication::style();
            m_icon = style->standardIcon(m_which, nullptr, m_widget);
        }
        return *m_icon;
    }

    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QPointer<QWidget> m_widget; // asked for, never changed
    std::optional<QIcon> m_icon;
};

} // namespace

MLAppStyle::MLAppStyle(QStyle *base)
    : QProxyStyle(base) {}

QIcon MLAppStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption *option,
                               const QWidget *widget) const {
    if (option)
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    return QIcon(new DeferredStandardIcon(baseStyle(), standardIcon, widget));
}
