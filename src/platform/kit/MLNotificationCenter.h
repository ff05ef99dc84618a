#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>

// A notification as observers receive it.
struct MLNotification {
    QString name;
    QObject *object = nullptr;
    QVariantMap userInfo;
};

// Named notifications delivered synchronously, on the main thread, to every observer registered for
// the name. An observer is a QObject: its registrations end by themselves when it is destroyed, so no
// notification ever reaches a dead object.
class MLNotificationCenter final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const MLNotification &)>;

    explicit MLNotificationCenter(QObject *parent = nullptr);

    static MLNotificationCenter &defaultCenter();

    // Observes `name` for posts with any object (the product always posts with no object).
    void addObserver(QObject *observer, const QString &name, Handler handler);
    void removeObserver(QObject *observer);
    void removeObserver(QObject *observer, const QString &name);

    // Calls every observer of `name` before returning. Posts from another thread are carried to the
    // main thread and delivered there.
    void postNotificationName(const QString &name, QObject *object = nullptr,
                              const QVariantMap &userInfo = {});

    int observerCount(const QString &name) const;

private:
    struct Entry {
        quint64 id;
        QPointer<QObject> observer;
        Handler handler;
    };
    void forget(QObject *observer);

    QHash<QString, QList<Entry>> m_entries;
    QHash<QObject *, QMetaObject::Connection> m_watched;
    quint64 m_nextId = 1;
};
