#include "platform/kit/ui/MLClickRecognizer.h"

#include <QMouseEvent>

MLClickRecognizer *MLClickRecognizer::attach(QWidget *target, QObject *context,
                                             std::function<void()> action) {
    if (!target || !context || !action)
        return nullptr;
    return new MLClickRecognizer(target, context, std::move(action));
}

MLClickRecognizer::MLClickRecognizer(QWidget *target, QObject *context, std::function<void()> action)
    : QObject(target)
    , m_context(context)
    , m_action(std::move(action)) {
    target->installEventFilter(this);
    // Drop the action (and whatever it captured) with the context, not only when the widget dies.
    connect(context, &QObject::destroyed, this, [this] {
        m_action = nullptr;
        deleteLater();
    });
}

QWidget *MLClickRecognizer::target() const {
    return qobject_cast<QWidget *>(parent());
}

bool MLClickRecognizer::eventFilter(QObject *watched, QEvent *event) {
    QWidget *widget = target();
    if (watched != widget || !widget)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !m_context || !widget->isEnabled())
            return false;
        m_pressed = true;
        mouse->accept();
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !m_pressed)
            return false;
        m_pressed = false;
        mouse->accept();
        if (!m_context || !m_action || !widget->rect().contains(mouse->position().toPoint()))
            return true;
        // The action may destroy the widget, and this recogniser with it.
        const std::function<void()> action = m_action;
        action();
        return true;
    }
    case QEvent::Hide:
    case QEvent::EnabledChange:
        m_pressed = false;
        return false;
    default:
        return false;
    }
}
