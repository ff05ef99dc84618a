#pragma once
// What the benchmarks that start the app as a process share.

#include "StandinServer.h"
#include "StandinSpeechServer.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

// One private home (HOME, the XDG folders, Documents) for this process and the ones it starts, which
// so read the settings file that this process writes (the signed-in user); offscreen unless a
// platform is set. Made before the application object.
class BenchHome final {
public:
    BenchHome() {
        const QString home = m_home.path();
        for (const char *sub : {"config", "data", "cache", "runtime", "Documents"})
            QDir(home).mkpath(QLatin1String(sub));
        QFile::setPermissions(home + QStringLiteral("/runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (home + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_CACHE_HOME", (home + QStringLiteral("/cache")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", (home + QStringLiteral("/runtime")).toUtf8());
        qputenv("XDG_DOCUMENTS_DIR", (home + QStringLiteral("/Documents")).toUtf8());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }

private:
    QTemporaryDir m_home;
};

// The service the started apps talk to: the stand-in and its speech endpoint on loopback, and the
// demo account signed in (written to the settings file the apps read). Made after the application
// object, which takes the app's names so that the settings file is the app's own.
class BenchService final {
public:
    explicit BenchService(const char *bench) {
        QCoreApplication::setOrganizationName(QStringLiteral("mltranslate"));
        QCoreApplication::setApplicationName(QStringLiteral("mltranslate"));
        SecurityCore::recoverStoredKey();
        m_listening = standin.listen(0) && speech.listen(0);
        if (!m_listening)
            std::fprintf(stderr, "%s: cannot listen on loopback\n", bench);
        MLUserManager::sharedManager().setCurrentUser(MLUserModel{standin.state().demoToken()});
    }
    bool isListening() const { return m_listening; }

    // This process's environment with the service's addresses for the app.
    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ML_API_BASE_URL"), standin.baseUrl().toString());
        environment.insert(QStringLiteral("ML_PAY_BASE_URL"), standin.payBaseUrl().toString());
        environment.insert(QStringLiteral("ML_SPEECH_URL"), speech.urlTemplate());
        return environment;
    }

    StandinServer standin;
    StandinSpeechServer speech;

private:
    bool m_listening = false;
};

// Runs the event loop for `milliseconds`.
inline void idle(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

inline double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}
