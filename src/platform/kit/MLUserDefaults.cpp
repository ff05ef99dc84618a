#include "platform/kit/MLUserDefaults.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

MLUserDefaults &MLUserDefaults::standardUserDefaults() {
    static MLUserDefaults defaults(defaultFilePath());
    return defaults;
}

QString MLUserDefaults::defaultFilePath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(dir);
    // The folder holds the session token: only its owner may list or enter it.
    if (!QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        qWarning() << "cannot restrict the settings folder" << dir;
    return dir + QStringLiteral("/settings.ini");
}

namespace {
// The settings file holds the session token: it is made readable by its owner only, and an existing
// file is tightened. QSettings writes through a file it renames over the old one, keeping the old
// file's permissions, so the file stays private from here on.
void makePrivate(const QString &filePath) {
    constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
    QFile file(filePath);
    if (file.exists()) {
        if (file.permissions() != kOwnerOnly && !file.setPermissions(kOwnerOnly))
            qWarning() << "cannot restrict the settings file" << filePath << file.errorString();
        return;
    }
    if (QFileInfo(filePath).dir().exists() && !file.open(QIODevice::WriteOnly, kOwnerOnly))
        qWarning() << "cannot make the settings file" << filePath << file.errorString();
}
} // namespace

MLUserDefaults::MLUserDefaults(const QString &filePath) {
    makePrivate(filePath);
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}

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
