#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

// The application's key-value settings, kept in one settings file under the user's configuration
// directory. Readers get empty values for absent keys; nothing registers defaults. The file (mode 0600)
// and the standard folder (0700) are private to the user, since they hold the session token; an
// existing file is tightened when it is opened.
class MLUserDefaults final {
public:
    static MLUserDefaults &standardUserDefaults();

    // Settings kept in an explicit file (tests and tools); made or tightened to mode 0600.
    explicit MLUserDefaults(const QString &filePath);
    ~MLUserDefaults();

    QVariant objectForKey(const QString &key) const;
    // The stored text; a stored number reads as its decimal text, anything else as empty text.
    QString stringForKey(const QString &key) const;
    QByteArray dataForKey(const QString &key) const;
    bool hasKey(const QString &key) const;

    void setObject(const QVariant &value, const QString &key);
    void setString(const QString &value, const QString &key) { setObject(value, key); }
    void setData(const QByteArray &value, const QString &key) { setObject(value, key); }
    void removeObjectForKey(const QString &key);

    // Writes pending changes to disk; false when the file cannot be written.
    bool synchronize();

    QString fileName() const;

    // The settings file of the standard instance (under QStandardPaths::AppConfigLocation).
    static QString defaultFilePath();

private:
    std::unique_ptr<QSettings> m_settings;
};
