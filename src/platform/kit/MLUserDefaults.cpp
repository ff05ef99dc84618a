#include "platform/kit/MLUserDefaults.h"

#include <QDir>
#include <QStandardPaths>

MLUserDefaults &MLUserDefaults::standardUserDefaults() {
    static MLUserDefaults defaults(defaultFilePath());
    return defaults;
}

QString MLUserDefaults::defaultFilePath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(dir);
    return dir + QStringLiteral("/settings.ini");
}

MLUserDefaults::MLUserDefaults(const QString &filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {}

MLUserDefaults::~MLUserDefaults() = default;

QVariant MLUserDefaults::objectForKey(const QString &key) const {
    return m_settings->value(key);
}

QString MLUserDefaults::stringForKey(const QString &key) const {
    const QVariant value = m_settings->value(key);
    switch (value.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        return {};
    }
}

QByteArray MLUserDefaults::dataForKey(const QString &key) const {
    const QVariant value = m_settings->value(key);
    return value.metaType().id() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

bool MLUserDefaults::hasKey(const QString &key) const {
    return m_settings->contains(key);
}

void MLUserDefaults::setObject(const QVariant &value, const QString &key) {
    if (!value.isValid())
        m_settings->remove(key);
    else
        m_settings->setValue(key, value);
}

void MLUserDefaults::removeObjectForKey(const QString &key) {
    m_settings->remove(key);
}

bool MLUserDefaults::synchronize() {
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

QString MLUserDefaults::fileName() const {
    return m_settings->fileName();
}
