#include "live/engine/MLLiveEngine.h"

#include "core/net/MLEncryptOperation.h"
#include "core/net/MLServiceOrigins.h"
#include "core/net/MLToolNetService.h"
#include "core/session/MLUserManager.h"
#include "live/engine/AudioRecordManager.h"
#include "live/engine/MLDBManager.h"
#include "platform/audio/MLAudioCapture.h"
#include "platform/kit/MLNotificationCenter.h"
#include "ui/util/MLBlockTimer.h"
#include "ui/util/MLUtilsTools.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLAppHost.h"
#include "ui/widgets/MLToast.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QVariantMap>

#include <algorithm>

Q_LOGGING_CATEGORY(lcLiveEngine, "ml.live.engine")

namespace {

const QString kOsType = QStringLiteral("4");
const QString kOperateType = QStringLiteral("1");
const QString kKeepupSinPath = QStringLiteral("/signature/getKeepupSin");
const QString kKeepupPath = QStringLiteral("/cost/keepup");
const QString kEndTranslatePath = QStringLiteral("/cost/endTranslate");
const QString kWarningCode = QStringLiteral("DIA003");
const QString kExhaustedCode = QStringLiteral("DIA004");
const QString kElsewhereCode = QStringLiteral("DIA006");
constexpr qint64 kReportEveryTicks = 30;
constexpr qint64 kStallTicks = 41;
constexpr double kToastSeconds = 1.0;
constexpr double kStallToastSeconds = 2.0;

constexpr double kLostSpeechToastSeconds = 2.0;
// A session folder is named after its start second; this many later seconds are tried when taken.
constexpr int kFolderNameTries = 1000;

QString documentsDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString absoluteFolder(const QString &storagePath) {
    return documentsDirectory() + QLatin1Char('/') + storagePath;
}

// Every engine of the process, for the quit and the recovery.
QList<MLLiveEngine *> &liveEngines() {
    static QList<MLLiveEngine *> engines;
    return engines;
}

bool isConnectionTrouble(const QString &errorCode) {
    return errorCode == QLatin1String("connection_lost") || errorCode == QLatin1String("connection_failed") ||
           errorCode == QLatin1String("timeout");
}

} // namespace

MLLiveEngine::MLLiveEngine(Tier tier, Services services, QObject *parent)
    : QObject(parent)
    , m_tier(std::move(tier))
    , m_services(std::move(services)) {
    if (!m_services.netService)
        m_services.netService = &MLToolNetService::shareService();
    if (!m_services.recorder)
        m_services.recorder = AudioRecordManager::sharedManager();
    if (!m_services.database)
        m_services.database = &MLDBManager::getSharedInstance();
    if (!m_services.userManager)
        m_services.userManager = &MLUserManager::sharedManager();
    if (!m_services.overlayHost)
        m_services.overlayHost = []() -> QWidget * {
            MLAppHost *app = MLAppHost::shared();
            return app ? app->contentView() : nullptr;
        };
    m_transcriptWriter.setMaxThreadCount(1);
    connect(m_services.recorder, &AudioRecordManager::recordingFailed, this, [this] { recordingFailed(); });
    MLAudioCapture *capture = m_services.capture ? m_services.capture : MLAudioCapture::sharedCapture();
    connect(capture, &MLAudioCapture::noInput, this,
            [this] { inputNotice(QString::fromUtf8(kNoInputMessage)); });
    connect(capture, &MLAudioCapture::inputLost, this,
            [this] { inputNotice(QString::fromUtf8(kInputLostMessage)); });
    liveEngines().append(this);
}

MLLiveEngine::~MLLiveEngine() {
    liveEngines().removeOne(this);
    MLBlockTimer::invalidate(m_downTimer);
    m_transcriptWriter.waitForDone();
}

void MLLiveEngine::startTranslation(const QString &from, const QString &to) {
    if (m_state != State::Idle) {
        qCWarning(lcLiveEngine) << "start ignored: a session is" << m_state;
        return;
    }
    ++m_generation;
    m_state = State::Starting;
    m_hasSessionFolder = false;
    m_from = from;
    m_to = to;
    showOverlay();
    requireKeepupSin();
}

void MLLiveEngine::requireKeepupSin() {
    const QVariantMap params{{QStringLiteral("from"), m_from},
                             {QStringLiteral("osType"), kOsType},
                             {QStringLiteral("to"), m_to},
                             {QStringLiteral("costType"), m_tier.costType}};
    const quint64 generation = m_generation;
    netService().ml_requireGetXunFeiSinUrl(
        kKeepupSinPath, MLEncryptOperation::returnRequestJsonToDic(params),
        [this, generation](const MLToolAdvancedModel &model) {
            if (!isCurrent(generation))
                return;
            m_advancedModel = model;
            GetMicrosoftSinInterface();
        },
        [this, generation](const QString &message, const QString &) {
            if (isCurrent(generation))
                abandonStart(message);
        },
        this);
}

void MLLiveEngine::GetMicrosoftSinInterface() {
    const QVariantMap params{{QStringLiteral("from"), m_from},
                             {QStringLiteral("osType"), kOsType},
                             {QStringLiteral("keepupSin"), m_advancedModel.keepupSin},
                             {QStringLiteral("to"), m_to}};
    const quint64 generation = m_generation;
    netService().ml_requireGetXunFeiSinUrl(
        m_tier.credentialPath, MLEncryptOperation::returnRequestJsonToDic(params),
        [this, generation](const MLToolAdvancedModel &model) {
            if (!isCurrent(generation))
                return;
            m_advancedModel = model;
            requireKeepup(true, kOperateType);
        },
        [this, generation](const QString &message, const QString &) {
            if (isCurrent(generation))
                abandonStart(message);
        },
        this);
}

void MLLiveEngine::abandonStart(const QString &message) {
    hideOverlay();
    toast(message, kToastSeconds);
    m_state = State::Idle;
}

void MLLiveEngine::requireKeepup(bool first, const QString &operateType) {
    const QVariantMap params{{QStringLiteral("keepupKey"), m_advancedModel.keepupKey},
                             {QStringLiteral("operateType"), operateType},
                             {QStringLiteral("timestamp"), MLUtilsTools::getNowTimeTimestamp()}};
    const quint64 generation = m_generation;
    const auto counted = [this, first] {
        if (first)
            setLanguageInit();
        m_successTime = 1;
    };
    netService().ml_requireKeepupUrl(
        kKeepupPath, MLEncryptOperation::returnRequestJsonToDic(params),
        [this, generation, counted](const QJsonObject &) {
            // A report of an earlier session says nothing about this one.
            if (!isCurrent(generation))
                return;
            hideOverlay();
            counted();
        },
        [this, generation, first, counted](const QString &message, const QString &code) {
            if (!isCurrent(generation))
                return;
            hideOverlay();
            toast(message, kToastSeconds);
            if (code == kWarningCode) {
                counted();
            } else if (code == kExhaustedCode || code == kElsewhereCode) {
                stopTranslation();
                MLBlockTimer::invalidate(m_downTimer);
            } else if (first) {
                qCWarning(lcLiveEngine) << "first usage report failed:" << message << code;
                m_state = State::Idle;
            }
        },
        this);
}

void MLLiveEngine::setLanguageInit() {
    if (m_state != State::Starting)
        return;
    m_state = State::Running;
    if (m_statusBlock)
        m_statusBlock(true);
    MLBlockTimer::invalidate(m_downTimer);
    m_downTimer =
        MLBlockTimer::repeatWithInterval(m_tickInterval / 1000.0, this, [this](QTimer *) { tick(); });
    m_speechKey = m_advancedModel.microsoftAccessKey;
    m_serviceRegion = m_advancedModel.microsoftAppId;
    m_authToken = m_advancedModel.authToken;
    m_reconnectTries = 0;
    m_ticksSinceSave = 0;
    m_captionsChanged = false;
    m_inputNotices.clear();
    if (initializeSpeechRecognizer())
        startSpeechRecognition();
    else
        qCWarning(lcLiveEngine) << "the recognizer could not be made; the session runs without one";
    m_captions.reset();
    m_totalTime = 1;
    if (m_timeChangeBlock)
        m_timeChangeBlock(MLUtilsTools::getMMSSFromSS(QString::number(m_totalTime)));
}

void MLLiveEngine::startSpeechRecognition() {
    const QString day = QStringLiteral("historicalRecord/%1/%2")
                            .arg(m_services.userManager->consumerId())
                            .arg(MLUtilsTools::getNowDate());
    // Named after the start second; a folder of that name (a session started within the same
    // second) moves the name on by whole seconds until it is free.
    qint64 stamp = MLUtilsTools::getNowTimeTimestamp().toLongLong();
    m_hasSessionFolder = QDir().mkpath(absoluteFolder(day));
    for (int tries = 0; m_hasSessionFolder; ++tries, stamp += 1000) {
        m_storagePath = day + QLatin1Char('/') + QString::number(stamp);
        if (QDir().mkdir(absoluteFolder(m_storagePath)))
            break;
        if (!QFileInfo::exists(absoluteFolder(m_storagePath)) || tries == kFolderNameTries)
            m_hasSessionFolder = false;
    }
    const QString folder = absoluteFolder(m_storagePath);
    if (m_hasSessionFolder) {
        // The marker says "in progress" to the next start should this process die; the tier with it.
        QSaveFile marker(folder + QLatin1Char('/') + QLatin1String(kInProgressMarker));
        if (!marker.open(QIODevice::WriteOnly) || marker.write(QByteArray::number(m_tier.historyType)) < 0 ||
            !marker.commit())
            qCWarning(lcLiveEngine) << "cannot mark the session in progress:" << marker.errorString();
    } else {
        qCWarning(lcLiveEngine) << "cannot create the session folder" << folder;
    }
    m_services.recorder->start(folder);
    m_speechRecognizer->startContinuousRecognition();
}

void MLLiveEngine::tick() {
    if (m_countDownTime == kReportEveryTicks) {
        requireKeepup(false, kOperateType);
        m_countDownTime = 1;
    } else {
        ++m_countDownTime;
    }
    ++m_successTime;
    ++m_totalTime;
    if (m_timeChangeBlock)
        m_timeChangeBlock(MLUtilsTools::getMMSSFromSS(QString::number(m_totalTime)));
    if (++m_ticksSinceSave >= kTranscriptSaveTicks) {
        m_ticksSinceSave = 0;
        if (m_captionsChanged && m_hasSessionFolder)
            saveTranscriptSoFar();
    }
}

void MLLiveEngine::saveTranscriptSoFar() {
    m_captionsChanged = false;
    // A copy of the list (implicitly shared) is joined and written on the writer's thread.
    m_transcriptWriter.start([captions = m_captions, path = m_storagePath] {
        AudioRecordManager::writeTranscript(captions.transcript(), path);
    });
}

bool MLLiveEngine::runStallGuard() {
    if (m_successTime < kStallTicks)
        return false;
    toast(QString::fromUtf8(kStallMessage), kStallToastSeconds);
    stopTranslation();
    return true;
}

void MLLiveEngine::publishCaptions() {
    m_captionsChanged = true;
    if (m_dataChangeBlock)
        m_dataChangeBlock(m_captions.lines());
}

void MLLiveEngine::stopTranslation() {
    if (m_state == State::Idle || m_state == State::Stopping) {
        qCInfo(lcLiveEngine) << "stop ignored: the session is" << m_state;
        return;
    }
    m_state = State::Stopping;
    if (m_statusBlock)
        m_statusBlock(false);
    showOverlay();
    QTimer::singleShot(m_stopDelay, this, [this, generation = m_generation] { finishStop(generation); });
}

void MLLiveEngine::finishStop(quint64 generation) {
    // Already done by the quit, or a stop of an earlier session.
    if (!isCurrent(generation) || m_state != State::Stopping)
        return;
    m_countDownTime = 1;
    m_successTime = 1;
    MLBlockTimer::invalidate(m_downTimer);
    requireEndKeepup();
    stopSpeechRecognition();
    m_state = State::Idle;
}

void MLLiveEngine::requireEndKeepup() {
    const QVariantMap params{{QStringLiteral("keepupKey"), m_advancedModel.keepupKey},
                             {QStringLiteral("timestamp"), MLUtilsTools::getNowTimeTimestamp()}};
    ++m_endReportsPending;
    netService().ml_requireKeepupUrl(
        kEndTranslatePath, MLEncryptOperation::returnRequestJsonToDic(params),
        [this](const QJsonObject &) {
            hideOverlay();
            --m_endReportsPending;
            Q_EMIT endReportAnswered();
        },
        [this](const QString &message, const QString &) {
            hideOverlay();
            toast(message, kToastSeconds);
            --m_endReportsPending;
            Q_EMIT endReportAnswered();
        },
        this);
}

void MLLiveEngine::stopSpeechRecognition() {
    m_services.recorder->stop();
    // A start that never reached its own folder (a first report that stopped the session, a
    // recognizer that could not be made) must not write into the previous session's folder.
    if (m_hasSessionFolder) {
        m_transcriptWriter.waitForDone(); // a save of the transcript so far never follows the last one
        m_services.recorder->startWriteTxt(m_captions.transcript(), m_storagePath);
        if (!m_services.database->saveData(m_storagePath, m_tier.historyType,
                                           MLUtilsTools::getNowTimeTimestamp())) {
            qCWarning(lcLiveEngine) << "the history row was not saved for" << m_storagePath;
            toast(QString::fromUtf8(kRowNotSavedMessage), kStallToastSeconds);
        }
        QFile::remove(absoluteFolder(m_storagePath) + QLatin1Char('/') + QLatin1String(kInProgressMarker));
    }
    if (m_speechRecognizer)
        m_speechRecognizer->stopContinuousRecognition();
}

void MLLiveEngine::showOverlay() {
    // One overlay at a time: a new one (the stop's) takes the place of one still shown (the start's).
    MBProgressHUD::hideHUD(m_overlay, true);
    if (QWidget *host = m_services.overlayHost())
        m_overlay = MBProgressHUD::showHUDAddedTo(host, true);
}

void MLLiveEngine::hideOverlay() {
    MBProgressHUD::hideHUD(m_overlay, true);
}

void MLLiveEngine::toast(const QString &message, double seconds) {
    if (QWidget *host = m_services.overlayHost())
        MLToast::makeToast(host, message, seconds);
}

bool MLLiveEngine::initializeSpeechRecognizer() {
    const QUrl endpoint = MLServiceOrigins::speechUrl(m_serviceRegion);
    std::optional<MLSpeechConfig> config =
        !m_speechKey.isEmpty()
            ? MLSpeechConfig::fromSubscription(m_speechKey, m_serviceRegion, endpoint)
            : MLSpeechConfig::fromAuthorizationToken(m_authToken, m_serviceRegion, endpoint);
    if (!config)
        return false;
    config->setSpeechRecognitionLanguage(m_from);
    std::unique_ptr<MLRecognizer> recognizer = makeRecognizer(*config);
    if (!recognizer)
        return false;
    // The previous session's recognizer goes only now, when the next session replaces it.
    m_speechRecognizer = std::move(recognizer);
    connect(m_speechRecognizer.get(), &MLRecognizer::recognizing, this,
            [this](const MLSpeechRecognitionResult &result) {
                if (acceptsSpeechEvents())
                    recognizing(result);
            });
    connect(m_speechRecognizer.get(), &MLRecognizer::recognized, this,
            [this](const MLSpeechRecognitionResult &result) {
                if (!acceptsSpeechEvents())
                    return;
                // The guard goes first: a sentence that arrives with a tripped guard still reaches
                // the list before the delayed stop writes the transcript.
                runStallGuard();
                recognized(result);
            });
    connect(m_speechRecognizer.get(), &MLRecognizer::sessionStarted, this, [this] { m_reconnectTries = 0; });
    connect(m_speechRecognizer.get(), &MLRecognizer::canceled, this,
            [this](const MLSpeechRecognitionResult &result) { speechCanceled(result); });
    return true;
}

void MLLiveEngine::speechCanceled(const MLSpeechRecognitionResult &result) {
    qCWarning(lcLiveEngine) << "recognition canceled:" << result.errorCode << result.errorDetails;
    if (m_state != State::Running)
        return;
    // Refused credentials or a refused request will not do better a second time.
    if (!isConnectionTrouble(result.errorCode) || m_reconnectTries >= kReconnectTries) {
        endForLostSpeech();
        return;
    }
    const int pause = m_reconnectPause << m_reconnectTries;
    ++m_reconnectTries;
    QTimer::singleShot(pause, this, [this, generation = m_generation] {
        if (isCurrent(generation) && m_state == State::Running)
            reconnectSpeech();
    });
}

void MLLiveEngine::reconnectSpeech() {
    qCInfo(lcLiveEngine) << "connecting the speech service again, try" << m_reconnectTries;
    // The same credentials; the captions go on in the same list.
    if (initializeSpeechRecognizer())
        m_speechRecognizer->startContinuousRecognition();
    else
        endForLostSpeech();
}

void MLLiveEngine::endForLostSpeech() {
    toast(QString::fromUtf8(kSpeechLostMessage), kLostSpeechToastSeconds);
    stopTranslation();
}

void MLLiveEngine::recordingFailed() {
    // The recorder tells it once per session; the session goes on for its captions and transcript.
    if (acceptsSpeechEvents())
        toast(QString::fromUtf8(kRecordingFailedMessage), kLostSpeechToastSeconds);
}

void MLLiveEngine::inputNotice(const QString &message) {
    // The session runs on; the recorder and the recognizer take a microphone that comes later.
    if (m_state != State::Running || m_inputNotices.contains(message))
        return;
    m_inputNotices.append(message);
    toast(message, kLostSpeechToastSeconds);
}

bool MLLiveEngine::endSessionNow() {
    switch (m_state) {
    case State::Idle:
        return false;
    case State::Starting:
        // No session yet: the answers still on their way belong to nothing.
        ++m_generation;
        hideOverlay();
        m_state = State::Idle;
        return false;
    case State::Running:
        m_state = State::Stopping;
        if (m_statusBlock)
            m_statusBlock(false);
        break;
    case State::Stopping:
        break;
    }
    finishStop(m_generation);
    return m_endReportsPending > 0;
}

void MLLiveEngine::endSessionsForQuit(int maxWaitMs) {
    QList<QPointer<MLLiveEngine>> ending;
    for (MLLiveEngine *engine : QList(liveEngines())) {
        if (engine->endSessionNow())
            ending.append(engine);
    }
    const auto answered = [&ending] {
        return std::all_of(ending.cbegin(), ending.cend(),
                           [](const QPointer<MLLiveEngine> &e) { return !e || e->m_endReportsPending == 0; });
    };
    if (answered())
        return;
    // A slow or absent service never keeps the application from quitting.
    QEventLoop loop;
    QTimer::singleShot(maxWaitMs, &loop, &QEventLoop::quit);
    for (const QPointer<MLLiveEngine> &engine : ending) {
        connect(engine, &MLLiveEngine::endReportAnswered, &loop, [&loop, answered] {
            if (answered())
                loop.quit();
        });
    }
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!answered())
        qCWarning(lcLiveEngine) << "quitting without the answer to an end-of-use report";
}

int MLLiveEngine::recoverInterruptedSessions(MLDBManager &database, qint64 userId) {
    QSet<QString> running;
    for (const MLLiveEngine *engine : liveEngines()) {
        if (engine->m_state != State::Idle && engine->m_hasSessionFolder)
            running.insert(engine->m_storagePath);
    }
    struct Interrupted {
        QString path;
        qint64 type = 0;
        qint64 stopped = 0;
    };
    QList<Interrupted> found;
    const QString user = QStringLiteral("historicalRecord/%1").arg(userId);
    const QDir::Filters folders = QDir::Dirs | QDir::NoDotAndDotDot;
    const QDir userFolder(absoluteFolder(user));
    for (const QString &day : userFolder.entryList(folders, QDir::Name)) {
        for (const QString &stamp : QDir(userFolder.filePath(day)).entryList(folders, QDir::Name)) {
            const QString path = user + QLatin1Char('/') + day + QLatin1Char('/') + stamp;
            QFile marker(absoluteFolder(path) + QLatin1Char('/') + QLatin1String(kInProgressMarker));
            if (running.contains(path) || !marker.open(QIODevice::ReadOnly))
                continue;
            bool isNumber = false;
            const qint64 type = marker.readAll().trimmed().toLongLong(&isNumber);
            if (!isNumber) {
                qCWarning(lcLiveEngine) << "an unreadable in-progress marker in" << path;
                continue;
            }
            // The stop time: the last write into the folder (the recording, the transcript so far).
            QDateTime last = QFileInfo(absoluteFolder(path)).lastModified();
            for (const QFileInfo &entry :
                 QDir(absoluteFolder(path)).entryInfoList(QDir::Files | QDir::Hidden))
                last = std::max(last, entry.lastModified());
            found.append({path, type, last.toSecsSinceEpoch() * 1000});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Interrupted &a, const Interrupted &b) { return a.stopped < b.stopped; });
    int added = 0;
    for (const Interrupted &session : found) {
        if (!database.saveData(session.path, session.type, QString::number(session.stopped))) {
            qCWarning(lcLiveEngine) << "the interrupted session stays marked:" << session.path;
            continue;
        }
        QFile::remove(absoluteFolder(session.path) + QLatin1Char('/') + QLatin1String(kInProgressMarker));
        qCInfo(lcLiveEngine) << "recovered the interrupted session" << session.path;
        ++added;
    }
    if (added > 0) // an open history list reads the store again
        MLNotificationCenter::defaultCenter().postNotificationName(
            QStringLiteral("NotificationChangeDeleteNoticeKey"));
    return added;
}
