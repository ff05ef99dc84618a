#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

// Turns a left click on any widget (labels and image views included) into a call: the button goes
// down and comes up inside the widget. The recogniser takes those clicks for itself, so the widget and
// its parents do not see them. It belongs to the widget and stops acting, for good, as soon as its
// context object is destroyed.
class MLClickRecognizer final : public QObject {
    Q_OBJECT
public:
    static MLClickRecognizer *attach(QWidget *target, QObject *context, std::function<void()> action);

    QWidget *target() const;
    bool isActive() const { return !m_context.isNull(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MLClickRecognizer(QWidget *target, QObject *context, std::function<void()> action);

    QPointer<QObject> m_context;
    std::function<void()> m_action;
    bool m_pressed = false;
};
