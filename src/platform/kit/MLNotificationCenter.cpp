#include "platform/kit/MLNotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

MLNotificationCenter::MLNotificationCenter(QObject *parent)
    : QObject(parent) {}

MLNotificationCenter &MLNotificationCenter::defaultCenter() {
    static MLNotificationCenter center;
    return center;
}

void MLNotificationCenter::addObserver(QObject *observer, const QString &name, Handler handler) {
    if (!observer || !handler)
        return;
    m_entries[name].append(Entry{m_nextId++, observer, std::move(handler)});
    if (!m_watched.contains(observer))
        m_watched.insert(
            observer, connect(observer, &QObject::destroyed, this, [this, observer] { forget(observer); }));
}

void MLNotificationCenter::removeObserver(QObject *observer) {
    forget(observer);
}

void MLNotificationCenter::removeObserver(QObject *observer, const QString &name) {
    auto it = m_entries.find(name);
    if (it == m_entries.end())
        return;
    it->removeIf([observer](const Entry &e) { return e.observer == observer; });
}

void MLNotificationCenter::forget(QObject *observer) {
    for (auto &list : m_entries)
        list.removeIf([observer](const Entry &e) { return e.observer.isNull() || e.observer == observer; });
    if (auto connection = m_watched.take(observer))
        disconnect(connection);
}

void MLNotificationCenter::postNotificationName(const QString &name, QObject *object,
                                                const QVariantMap &userInfo) {
    if (QCoreApplication *app = QCoreApplication::instance();
        app && QThread::currentThread() != app->thread()) {
        QPointer<QObject> guard(object);
        QMetaObject::invokeMethod(
            this, [this, name, guard, userInfo] { postNotificationName(name, guard.data(), userInfo); },
            Qt::QueuedConnection);
        return;
    }
    const auto it = m_entries.constFind(name);
    if (it == m_entries.constEnd())
        return;
    // Observers may add or remove registrations (or die) while we deliver: work on a snapshot and
    // skip entries that are gone by the time their turn comes.
    const QList<Entry> snapshot = *it;
    const MLNotification notification{name, object, userInfo};
    for (const Entry &entry : snapshot) {
        if (entry.observer.isNull())
            continue;
        const auto current = m_entries.constFind(name);
        if (current == m_entries.constEnd() || std::none_of(current->cbegin(), current->cend(),
                                                            [&](const Entry &e) { return e.id == entry.id; }))
            continue;
        entry.handler(notification);
    }
}

int MLNotificationCenter::observerCount(const QString &name) const {
    const auto it = m_entries.constFind(name);
    if (it == m_entries.constEnd())
        return 0;
    return static_cast<int>(
        std::count_if(it->cbegin(), it->cend(), [](const Entry &e) { return !e.observer.isNull(); }));
}
