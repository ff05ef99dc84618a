#pragma once

#include "StandinLiveRoutes.h"
#include "StandinSpeechServer.h"
#include "core/net/MLServiceOrigins.h"
#include "core/session/MLUserManager.h"
#include "live/engine/AudioRecordManager.h"
#include "live/engine/MLDBManager.h"
#include "live/engine/MLLiveEngine.h"
#include "platform/audio/MLAudioCapture.h"
#include "support/StandinFixture.h"
#include "support/TestFiles.h"

#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QtTest>

#include <memory>

namespace ml::test {

inline constexpr qint64 kConsumerId = 10001;
inline const QString kKeepupPath = QStringLiteral("/cost/keepup");
inline const QString kEndPath = QStringLiteral("/cost/endTranslate");

inline MLSpeechRecognitionResult result(int reason, const QString &text,
                                        const QHash<QString, QString> &translations) {
    MLSpeechRecognitionResult r;
    r.reason = reason;
    r.text = text;
    r.translations = translations;
    return r;
}

// Runs the recovery of interrupted sessions and waits for its end: how many rows it added, -1 when
// it did not end.
inline int recoverAndWait(const MLDBManager &database, qint64 userId = kConsumerId) {
    const auto added = std::make_shared<int>(-1);
    MLLiveEngine::recoverInterruptedSessions(database, userId, [added](int count) { *added = count; });
    return QTest::qWaitFor([added] { return *added >= 0; }, 20000) ? *added : -1;
}

inline QString readTranscript(const QString &storagePath) {
    return QString::fromUtf8(readFile(inDocuments(storagePath + QStringLiteral("/recording.txt"))));
}

// One engine against a fresh in-process stand-in (service API and speech endpoint), with its own
// capture without a device, recorder and history file, and a heartbeat that only the test drives. It
// records what the engine tells the user (its notices, and whether it shows itself busy).
template <class Engine> struct LiveEngineHarness {
    StandinFixture standin;
    StandinSpeechServer speech;
    MLAudioCapture capture;
    AudioRecordManager recorder{&capture};
    MLDBManager database{QDir(documents()).filePath(QStringLiteral("history-test.db")),
                         [] { return kConsumerId; }};
    std::unique_ptr<Engine> engine;

    QList<bool> statuses;
    QStringList times;
    QList<QStringList> lists;
    QStringList notices;
    bool busy = false;

    LiveEngineHarness() {
        speech.listen(0);
        MLServiceOrigins::setSpeechUrlTemplate(speech.urlTemplate());
        standin.signInDemo();
        MLMineModel account;
        account.consumerId = kConsumerId;
        MLUserManager::sharedManager().setCurrentMineUser(account);
        capture.setDevice(QAudioDevice());
        QFile::remove(database.databasePath());
        database.createDB();

        MLLiveEngine::Services services;
        services.recorder = &recorder;
        services.database = &database;
        services.capture = &capture;
        engine = std::make_unique<Engine>(services);
        QObject::connect(engine.get(), &MLLiveEngine::notice, engine.get(),
                         [this](const QString &message, double) { notices.append(message); });
        QObject::connect(engine.get(), &MLLiveEngine::busyChanged, engine.get(),
                         [this](bool shown) { busy = shown; });
        engine->setTickInterval(24 * 3600 * 1000); // the test ticks by hand
        engine->setStopDelay(50); // half the product's, long enough to tell the steps after it apart
        engine->setStatusBlock([this](bool running) { statuses.append(running); });
        engine->setTimeChangeBlock([this](const QString &time) { times.append(time); });
        engine->setDataChangeBlock([this](const MLCaptionLines &list) { lists.append(list.toStringList()); });
    }

    StandinLiveMeter &meter() { return StandinLiveRoutes::of(standin.server()).meter(); }
    int requests(const QString &path) {
        return static_cast<int>(standin.server().receivedRequests(path).size());
    }

    // Starts a session (without waiting, or waiting until it runs); stops one and waits until the
    // engine is idle; runs a whole session of one final event.
    void start() { engine->startTranslation(QStringLiteral("zh-CN"), QStringLiteral("en")); }
    bool startRunning(const QString &from = QStringLiteral("zh-CN"),
                      const QString &to = QStringLiteral("en")) {
        engine->startTranslation(from, to);
        return QTest::qWaitFor([this] { return engine->state() == MLLiveEngine::State::Running; }, 5000);
    }
    bool stopAndWait() {
        engine->stopTranslation();
        return QTest::qWaitFor([this] { return engine->state() == MLLiveEngine::State::Idle; }, 5000);
    }
    bool runSession(const MLSpeechRecognitionResult &final) {
        if (!startRunning())
            return false;
        recognized(final);
        return stopAndWait();
    }

    bool tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            QTimer *timer = engine->downTimer();
            if (!timer || !QMetaObject::invokeMethod(timer, "timeout"))
                return false;
        }
        return true;
    }

    QStringList toasts() const { return notices; }
    bool overlayShown() const { return busy; }

    void recognized(const MLSpeechRecognitionResult &r) { Q_EMIT engine->speechRecognizer()->recognized(r); }
    void recognizing(const MLSpeechRecognitionResult &r) {
        Q_EMIT engine->speechRecognizer()->recognizing(r);
    }

    QList<HistoricalRecordModel> rows() {
        return database.findData().value_or(QList<HistoricalRecordModel>{});
    }
};

} // namespace ml::test
