#pragma once

#include "core/net/MLToolAdvancedModel.h"
#include "live/engine/MLCaptionList.h"
#include "platform/speech/MLRecognizer.h"

#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcLiveEngine)

class AudioRecordManager;
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
// A session ends in one of these ways, each of them the same stop (end-of-use report, recording
// closed, transcript, history row, in-progress marker removed): the user's stop; the service's stop
// (a usage report answered "DIA004"/"DIA006", the stall guard); the application's quit
// (`endSessionsForQuit`, without the delay and with a bounded wait for the report); a speech
// connection that cannot be made again (a toast first). A process that dies mid-session leaves its
// marker, and `recoverInterruptedSessions` adds the row at the next start.
//
// Pages install three blocks; the engine calls them on the main thread:
//   status  true when a session runs, false when it stops;
//   time    the elapsed time "HH:MM:SS" on every tick;
//   data    the whole caption list after every change (an implicitly shared MLCaptionLines; keep it).
// What the user is to be told, the engine signals (`busyChanged`, `notice`); it shows nothing itself.
class MLLiveEngine : public QObject {
    Q_OBJECT
public:
    // The collaborators of an engine. Null members are taken from the application's shared
    // instances.
    struct Services {
        MLToolNetService *netService = nullptr;
        AudioRecordManager *recorder = nullptr;
        MLDBManager *database = nullptr;
        MLUserManager *userManager = nullptr;
        // The sound the recognizer listens to; nullptr for the shared capture.
        MLAudioCapture *capture = nullptr;
    };

    enum class State { Idle, Starting, Running, Stopping };
    Q_ENUM(State)

    ~MLLiveEngine() override;

    void setStatusBlock(std::function<void(bool)> block) { m_statusBlock = std::move(block); }
    void setTimeChangeBlock(std::function<void(const QString &)> block) {
        m_timeChangeBlock = std::move(block);
    }
    void setDataChangeBlock(std::function<void(const MLCaptionLines &)> block) {
        m_dataChangeBlock = std::move(block);
    }

    // Starts a session with the source and target language codes. Ignored unless idle; without the
    // media module it only tells the module's notice.
    void startTranslation(const QString &from, const QString &to);
    // Stops the running (or starting) session: status false at once, the end of use, recording,
    // transcript and history row 0.1 second later. Ignored while idle or while a stop is pending.
    void stopTranslation();

    // The caption list (the engine's own; copy it to keep it).
    const MLCaptionLines &captionLines() const { return m_captions.lines(); }
    // The caption list as plain strings (a copy of every line).
    QStringList strList() const { return m_captions.lines().toStringList(); }

    // The heartbeat interval in milliseconds (1000 in the product); tests shorten it. Takes effect
    // at the next session set-up.
    void setTickInterval(int milliseconds) { m_tickInterval = milliseconds; }
    int tickInterval() const { return m_tickInterval; }
    // The pause between a stop request and its delayed steps (100 ms in the product).
    void setStopDelay(int milliseconds) { m_stopDelay = milliseconds; }

    // The first pause before a lost speech connection is made again (500 ms in the product); each
    // further try waits twice as long, up to kReconnectTries tries.
    void setReconnectPause(int milliseconds) { m_reconnectPause = milliseconds; }
    // The tries begun to make a lost speech connection again; 0 again once a connection has started.
    int reconnectTries() const { return m_reconnectTries; }

    // Ends every session of the process at once as a user's stop does, without the stop delay, and
    // waits up to `maxWaitMs` for the answers to their end-of-use reports. Run when the application
    // is about to quit.
    static void endSessionsForQuit(int maxWaitMs = kQuitWaitMs);
    // Adds the history rows of the sessions of `userId` whose process ended while they were in
    // progress (their folder still holds the in-progress marker) and that do not run now: the tier
    // from the marker, the stop time from the folder's last write. The folders are read and the rows
    // added (in one transaction, never a second row for a folder that has one) on a worker thread;
    // then the markers of those folders go, and `done` is told on the main thread how many rows
    // were added.
    static void recoverInterruptedSessions(const MLDBManager &database, qint64 userId,
                                           std::function<void(int added)> done = {});
    // Stands in for the removal of an in-progress marker (the file's path given); tests make it fail
    // to stand for a process killed between a history row and that removal. Empty: the removal.
    static void setMarkerRemovalForTest(std::function<bool(const QString &marker)> removal);

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
    static constexpr const char *kSpeechLostMessage = "语音连接已中断，翻译已停止";
    static constexpr const char *kRowNotSavedMessage = "本次翻译未能加入历史记录";
    static constexpr const char *kRecordingFailedMessage = "录音无法保存，翻译继续进行";
    static constexpr const char *kTranscriptFailedMessage = "文字记录无法保存，翻译继续进行";
    static constexpr const char *kNoFolderMessage = "无法创建本次翻译的文件夹，录音和记录不会保存";
    // The microphone: none when a session starts, or the session's one gone with no other to take.
    static constexpr const char *kNoInputMessage = "未检测到麦克风，翻译暂时听不到声音";
    static constexpr const char *kInputLostMessage = "麦克风已断开，翻译暂时听不到声音";
    // The file in a session folder that says the session is in progress; it holds the history type.
    static constexpr const char *kInProgressMarker = ".inprogress";
    static constexpr int kQuitWaitMs = 2000;
    static constexpr int kReconnectTries = 3;
    // The transcript so far is saved every this many ticks while the captions change.
    static constexpr int kTranscriptSaveTicks = 5;

Q_SIGNALS:
    // An end-of-use report was answered (success or failure).
    void endReportAnswered();
    // Something runs that the user waits for (from the start until the first usage report is
    // answered, from a stop until the end-of-use report is): true when it begins, false when it ends.
    void busyChanged(bool busy);
    // A message for the user, to be shown for `seconds`.
    void notice(const QString &message, double seconds);

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

    void showOverlay() { Q_EMIT busyChanged(true); }
    void hideOverlay() { Q_EMIT busyChanged(false); }
    void toast(const QString &message, double seconds) { Q_EMIT notice(message, seconds); }

    MLToolNetService &netService() const { return *m_services.netService; }
    MLAudioCapture *capture() const { return m_services.capture; }

    MLToolAdvancedModel &mutableAdvancedModel() { return m_advancedModel; }

private:
    void requireKeepupSin();
    void GetMicrosoftSinInterface();
    void requireKeepup(bool first, const QString &operateType);
    void setLanguageInit();
    void startSpeechRecognition();
    // Makes this start's own session folder and sets `m_storagePath` to it; false, with the path
    // empty, when none can be made.
    bool makeSessionFolder();
    void tick();
    void finishStop(quint64 generation);
    // The quit's stop: false when there is no end-of-use report to wait for.
    bool endSessionNow();
    void speechCanceled(const MLSpeechRecognitionResult &result);
    void reconnectSpeech();
    void endForLostSpeech();
    void saveTranscriptSoFar();
    void recordingFailed();
    void transcriptFailed(const QString &path);
    // Tells the user about the microphone (kNoInputMessage or kInputLostMessage), each once a session.
    void inputNotice(const QString &message);
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
    std::function<void(const MLCaptionLines &)> m_dataChangeBlock;

    State m_state = State::Idle;
    quint64 m_generation = 0;
    QString m_from;
    QString m_to;
    QString m_storagePath;
    // Whether the start in progress (or last finished) made its own session folder; nothing of a
    // session is written without one.
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
    int m_reconnectPause = 500;
    int m_reconnectTries = 0;
    int m_endReportsPending = 0;
    int m_ticksSinceSave = 0;
    // The microphone notices already shown in this session.
    QStringList m_inputNotices;
    bool m_captionsChanged = false;
    // Saves the transcript so far off the main thread, one save at a time.
    QThreadPool m_transcriptWriter;

    MLCaptionList m_captions;
    // The recognizer of the current (or last) session; the next set-up replaces it.
    std::unique_ptr<MLRecognizer> m_speechRecognizer;
};
