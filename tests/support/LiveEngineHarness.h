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
#include "support/ToastTexts.h"

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

inline QString readTranscript(const QString &storagePath) {
    return QString::fromUtf8(readFile(inDocuments(storagePath + QStringLiteral("/recording.txt"))));
}

// One engine against a fresh in-process stand-in (service API and speech endpoint), with its own
// capture without a device, recorder, history file and overlay host, and a heartbeat that only the
// test drives.
template <class Engine> struct LiveEngineHarness {
    StandinFixture standin;
    StandinSpeechServer speech;
    QWidget host;
    MLAudioCapture capture;
    AudioRecordManager recorder{&capture};
    MLDBManager database{QDir(documents()).filePath(QStringLiteral("history-test.db")),
                         [] { return kConsumerId; }};
    std::unique_ptr<Engine> engine;

    QList<bool> statuses;
    QStringList times;
    QList<QStringList> lists;

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
        host.resize(400, 300);

        MLLiveEngine::Services services;
        services.recorder = &recorder;
        services.database = &database;
        services.capture = &capture;
        services.overlayHost = [this] { return &host; };
        engine = std::make_unique<Engine>(services);
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

    QStringList toasts() { return toastTexts(&host); }
    bool overlayShown() const {
        MBProgressHUD *hud = MBProgressHUD::HUDForView(const_cast<QWidget *>(&host));
        return hud && hud->mode() == MBProgressHUD::Mode::Indeterminate;
    }

    void recognized(const MLSpeechRecognitionResult &r) { Q_EMIT engine->speechRecognizer()->recognized(r); }
    void recognizing(const MLSpeechRecognitionResult &r) {
        Q_EMIT engine->speechRecognizer()->recognizing(r);
    }

    QList<HistoricalRecordModel> rows() {
        return database.findData().value_or(QList<HistoricalRecordModel>{});
    }
};

} // namespace ml::test
