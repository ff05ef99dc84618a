#pragma once

#include "core/net/MLToolAdvancedModel.h"
#include "live/engine/MLCaptionList.h"
#include "platform/speech/MLRecognizer.h"

#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcLiveEngine)

class AudioRecordManager;
class MBProgressHUD;
class MLAudioCapture;
class MLDBManager;
class MLToolNetService;
class MLUserManager;

// One live session at a time, from the credentials to the history row: the lifecycle that every
// live tier shares. A session obtains its usage key and speech credentials from the service, reports
// usage at once and then every 30 ticks, runs the tier's recognizer, keeps the caption list, counts
// the elapsed time once a tick, and at the end reports the end of use, writes the transcript next to
// the session recording and adds a history row. Tiers differ in their credential path, their
// recognizer and caption rule, their history type and their "costType".
//
// Pages install three blocks; the engine calls them on the main thread:
//   status  true when a session runs, false when it stops;
//   time    the elapsed time "HH:MM:SS" on every tick;
//   data    the whole caption list after every change (an implicitly-shared copy; keep it).
class MLLiveEngine : public QObject {
    Q_OBJECT
public:
    // The collaborators of an engine. Null members are taken from the application's shared
    // instances; an empty overlay host is the application window's content view.
    struct Services {
        MLToolNetService *netService = nullptr;
        AudioRecordManager *recorder = nullptr;
        MLDBManager *database = nullptr;
        MLUserManager *userManager = nullptr;
        // The sound the recognizer listens to; nullptr for the shared capture.
        MLAudioCapture *capture = nullptr;
        // The view that receives the engine's progress overlay and toasts; may give nullptr.
        std::function<QWidget *()> overlayHost;
    };

    enum class State { Idle, Starting, Running, Stopping };
    Q_ENUM(State)

    ~MLLiveEngine() override;

    void setStatusBlock(std::function<void(bool)> block) { m_statusBlock = std::move(block); }
    void setTimeChangeBlock(std::function<void(const QString &)> block) {
        m_timeChangeBlock = std::move(block);
    }
    void setDataChangeBlock(std::function<void(const QStringList &)> block) {
        m_dataChangeBlock = std::move(block);
    }

    // Starts a session with the source and target language codes. Ignored unless idle.
    void startTranslation(const QString &from, const QString &to);
    // Stops the running (or starting) session: status false at once, the end of use, recording,
    // transcript and history row 0.1 second later. Ignored while idle or while a stop is pending.
    void stopTranslation();

    // The caption list (the engine's own; copy it to keep it).
    const QStringList &strList() const { return m_captions.lines(); }

    // The heartbeat interval in milliseconds (1000 in the product); tests shorten it. Takes effect
    // at the next session set-up.
    void setTickInterval(int milliseconds) { m_tickInterval = milliseconds; }
    int tickInterval() const { return m_tickInterval; }
    // The pause between a stop request and its delayed steps (100 ms in the product).
    void setStopDelay(int milliseconds) { m_stopDelay = milliseconds; }

    State state() const { return m_state; }
    QString from() const { return m_from; }
    QString to() const { return m_to; }
    // The session folder relative to the Documents directory; kept after a stop.
    QString storagePath() const { return m_storagePath; }
    const MLToolAdvancedModel &advancedModel() const { return m_advancedModel; }
    QString speechKey() const { return m_speechKey; }
    QString serviceRegion() const { return m_serviceRegion; }
    QString authToken() const { return m_authToken; }
    qint64 successTime() const { return m_successTime; }
    qint64 countDownTime() const { return m_countDownTime; }
    qint64 totalTime() const { return m_totalTime; }
    // The running heartbeat timer; nullptr when none runs.
    QTimer *downTimer() const { return m_downTimer; }
    // The recognizer of the current (or last) session; nullptr before the first one.
    MLRecognizer *speechRecognizer() const { return m_speechRecognizer.get(); }
    // Counts every startTranslation; answers and events of an earlier session carry an older number.
    quint64 sessionGeneration() const { return m_generation; }

    static constexpr const char *kStallMessage = "数据异常，无法翻译，请联系客服\n心跳出现问题";

protected:
    // What distinguishes a tier.
    struct Tier {
        QString costType;       // "costType" of the usage signature
        QString credentialPath; // the speech-credential request
        qint64 historyType = 0; // type of the history row
    };

    MLLiveEngine(Tier tier, Services services, QObject *parent);

    // The tier's recognizer for the session's configuration (credentials and recognition language
    // set); nullptr when it cannot be made.
    virtual std::unique_ptr<MLRecognizer> makeRecognizer(MLSpeechConfig config) = 0;
    // The tier's caption rule. Both run on the main thread, only while the session's events are taken;
    // a final result comes after the stall guard has run.
    virtual void recognizing(const MLSpeechRecognitionResult &result) = 0;
    virtual void recognized(const MLSpeechRecognitionResult &result) = 0;

    MLCaptionList &captions() { return m_captions; }
    // Tells the data block the caption list.
    void publishCaptions();

    void showOverlay();
    void hideOverlay();
    void toast(const QString &message, double seconds);

    MLToolNetService &netService() const { return *m_services.netService; }
    MLAudioCapture *capture() const { return m_services.capture; }

    MLToolAdvancedModel &mutableAdvancedModel() { return m_advancedModel; }

private:
    void requireKeepupSin();
    void GetMicrosoftSinInterface();
    void requireKeepup(bool first, const QString &operateType);
    void setLanguageInit();
    void startSpeechRecognition();
    void tick();
    void finishStop();
    void requireEndKeepup();
    void stopSpeechRecognition();
    void abandonStart(const QString &message);
    bool initializeSpeechRecognizer();
    // The stall guard that precedes every final result: true when it tripped (toast and stop).
    bool runStallGuard();
    // Whether recognizer events are taken now (a session set up and not yet fully stopped).
    bool acceptsSpeechEvents() const { return m_state == State::Running || m_state == State::Stopping; }
    bool isCurrent(quint64 generation) const { return generation == m_generation; }

    Tier m_tier;
    Services m_services;

    std::function<void(bool)> m_statusBlock;
    std::function<void(const QString &)> m_timeChangeBlock;
    std::function<void(const QStringList &)> m_dataChangeBlock;

    State m_state = State::Idle;
    quint64 m_generation = 0;
    QString m_from;
    QString m_to;
    QString m_storagePath;
    // Whether the start in progress (or last finished) made its own session folder.
    bool m_hasSessionFolder = false;
    MLToolAdvancedModel m_advancedModel;
    QString m_speechKey;
    QString m_serviceRegion;
    QString m_authToken;

    qint64 m_successTime = 0;
    qint64 m_countDownTime = 0;
    qint64 m_totalTime = 0;
    QTimer *m_downTimer = nullptr;
    int m_tickInterval = 1000;
    int m_stopDelay = 100;

    MLCaptionList m_captions;
    // The recognizer of the current (or last) session; the next set-up replaces it.
    std::unique_ptr<MLRecognizer> m_speechRecognizer;
    // The progress overlay this engine showed (start or stop), hidden by the answer that ends it.
    QPointer<MBProgressHUD> m_overlay;
};
