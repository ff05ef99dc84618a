#include "live/engine/MLLiveEngine.h"

#include "core/net/MLEncryptOperation.h"
#include "core/net/MLServiceOrigins.h"
#include "core/net/MLToolNetService.h"
#include "core/session/MLUserManager.h"
#include "live/engine/AudioRecordManager.h"
#include "live/engine/MLDBManager.h"
#include "platform/audio/MLAudioCapture.h"
#include "platform/audio/MLMediaBackend.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "ui/util/MLBlockTimer.h"
#include "ui/util/MLUtilsTools.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QVariantMap>

#include <algorithm>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
// An in-progress marker holds a history type; anything longer is not one.
constexpr qint64 kMarkerMaxBytes = 32;

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

QString markerOf(const QString &absoluteFolder) {
    return absoluteFolder + QLatin1Char('/') + QLatin1String(MLLiveEngine::kInProgressMarker);
}

std::function<bool(const QString &)> &markerRemovalForTest() {
    static std::function<bool(const QString &)> removal;
    return removal;
}

// Removes the in-progress marker of a session folder (absolute), on any thread.
void removeMarker(const QString &absoluteFolder) {
    const QString marker = markerOf(absoluteFolder);
    if (!(markerRemovalForTest() ? markerRemovalForTest()(marker) : QFile::remove(marker)))
        qCWarning(lcLiveEngine) << "the in-progress marker stays:" << marker;
}

// The history type that a marker holds; nothing when there is none or it is not a small regular
// file holding a number. A link, a FIFO or a device is never read from (nor waited on).
std::optional<qint64> readMarker(const QString &marker) {
    const QByteArray name = QFile::encodeName(marker);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0)
        return std::nullopt; // no marker: the session ended
    std::optional<qint64> type;
    // Whatever took its place since: no link followed, no wait for a writer, no more than a marker read.
    const int fd = S_ISREG(status.st_mode) && status.st_size <= kMarkerMaxBytes
                       ? ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)
                       : -1;
    if (fd >= 0) {
        char bytes[kMarkerMaxBytes + 1];
        const ssize_t size = ::read(fd, bytes, sizeof bytes);
        ::close(fd);
        bool isNumber = false;
        if (size >= 0 && size <= kMarkerMaxBytes)
            type = QByteArray(bytes, size).trimmed().toLongLong(&isNumber);
        if (!isNumber)
            type.reset();
    }
    if (!type)
        qCWarning(lcLiveEngine) << "an in-progress marker that is not one, left alone:" << marker;
    return type;
}

struct Interrupted {
    QString path; // relative to Documents
    qint64 type = 0;
    qint64 stopped = 0;
};

// The marked session folders of `userId` under `documentsPath`, oldest stop first. Runs on any thread.
QList<Interrupted> findInterrupted(const QString &documentsPath, qint64 userId) {
    QList<Interrupted> found;
    if (documentsPath.isEmpty())
        return found;
    const QDir documents(documentsPath);
    const QString user = QStringLiteral("historicalRecord/%1").arg(userId);
    const QDir::Filters folders = QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks;
    const QDir userFolder(documents.filePath(user));
    for (const QString &day : userFolder.entryList(folders, QDir::Name)) {
        for (const QString &stamp : QDir(userFolder.filePath(day)).entryList(folders, QDir::Name)) {
            const QString path = user + QLatin1Char('/') + day + QLatin1Char('/') + stamp;
            const QString folder = documents.filePath(path);
            const std::optional<qint64> type = readMarker(markerOf(folder));
            if (!type)
                continue;
            // The stop time: the last write into the folder (the recording, the transcript so far).
            QDateTime last = QFileInfo(folder).lastModified();
            for (const QFileInfo &entry :
                 QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks))
                last = std::max(last, entry.lastModified());
            found.append({path, *type, last.toSecsSinceEpoch() * 1000});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Interrupted &a, const Interrupted &b) { return a.stopped < b.stopped; });
    return found;
}

// Adds the rows of `found` that the history lacks, in one transaction, then removes the markers of
// all of them (each has its row now); how many rows were added. Runs on any thread.
int addInterrupted(MLDBManager &store, const QString &documents, const QList<Interrupted> &found,
                   qint64 userId) {
    if (found.isEmpty()) // the history file is opened only when there is something to add
        return 0;
    QList<HistoricalRecordModel> rows;
    for (const Interrupted &session : found)
        rows.append({0, session.type, session.path, QString::number(session.stopped)});
    const std::optional<int> added = store.addMissingRows(rows, userId);
    if (!added) {
        qCWarning(lcLiveEngine) << "the interrupted sessions stay marked:" << found.size();
        return 0;
    }
    for (const Interrupted &session : found)
        removeMarker(documents + QLatin1Char('/') + session.path);
    qCInfo(lcLiveEngine) << "recovered" << *added << "interrupted sessions of" << found.size() << "found";
    return *added;
}

void onMainThread(std::function<void()> call) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

// The recovery's worker: one thread, only while there is work (no idle thread is kept), waited for
// when the application goes.
QThreadPool &recoveryWorker() {
    static QPointer<QThreadPool> pool;
    if (!pool) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(1);
        pool->setExpiryTimeout(0);
    }
    return *pool;
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
    m_transcriptWriter.setMaxThreadCount(1);
    connect(m_services.recorder, &AudioRecordManager::recordingFailed, this, [this] { recordingFailed(); });
    connect(m_services.recorder, &AudioRecordManager::transcriptFailed, this,
            [this](const QString &path) { transcriptFailed(path); });
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
    // Without the media module there is neither microphone nor recording: nothing is started, so
    // nothing is metered.
    if (!MLMediaBackend::instance()) {
        toast(MLMediaBackend::notLoadedNotice(), kToastSeconds);
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

bool MLLiveEngine::makeSessionFolder() {
    m_storagePath.clear();
    const QString day = QStringLiteral("historicalRecord/%1/%2")
                            .arg(m_services.userManager->consumerId())
                            .arg(MLUtilsTools::getNowDate());
    if (documentsDirectory().isEmpty() || !QDir().mkpath(absoluteFolder(day)))
        return false;
    // Named after the start second; a folder of that name (a session started within the same
    // second) moves the name on by whole seconds until it is free.
    qint64 stamp = MLUtilsTools::getNowTimeTimestamp().toLongLong();
    for (int tries = 0; tries <= kFolderNameTries; ++tries, stamp += 1000) {
        const QString path = day + QLatin1Char('/') + QString::number(stamp);
        if (QDir().mkdir(absoluteFolder(path))) {
            m_storagePath = path;
            return true;
        }
        if (!QFileInfo::exists(absoluteFolder(path)))
            return false;
    }
    return false;
}

void MLLiveEngine::startSpeechRecognition() {
    m_hasSessionFolder = makeSessionFolder();
    if (m_hasSessionFolder) {
        const QString folder = absoluteFolder(m_storagePath);
        // The marker says "in progress" to the next start should this process die; the tier with it.
        QString error;
        if (!AudioRecordManager::saveWhole(markerOf(folder), QByteArray::number(m_tier.historyType), &error))
            qCWarning(lcLiveEngine) << "cannot mark the session in progress:" << error;
        m_services.recorder->start(folder);
    } else {
        // Nothing of this session is written anywhere: no recording, transcript nor history row.
        qCWarning(lcLiveEngine) << "no session folder could be made; the session is not kept";
        toast(QString::fromUtf8(kNoFolderMessage), kLostSpeechToastSeconds);
    }
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
    m_transcriptWriter.start([recorder = m_services.recorder, captions = m_captions, path = m_storagePath] {
        recorder->startWriteTxt(captions.transcript(), path);
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
        // The marker goes only with a saved row: a row that could not be saved is added by the next
        // start's recovery.
        if (m_services.database->saveData(m_storagePath, m_tier.historyType,
                                          MLUtilsTools::getNowTimeTimestamp())) {
            removeMarker(absoluteFolder(m_storagePath));
        } else {
            qCWarning(lcLiveEngine) << "the history row was not saved for" << m_storagePath;
            toast(QString::fromUtf8(kRowNotSavedMessage), kStallToastSeconds);
        }
    }
    if (m_speechRecognizer)
        m_speechRecognizer->stopContinuousRecognition();
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

void MLLiveEngine::transcriptFailed(const QString &path) {
    // The recorder tells it once per start, perhaps from the writer's thread: the session whose
    // folder it is shows it, the session going on.
    if (m_hasSessionFolder && path == m_storagePath)
        toast(QString::fromUtf8(kTranscriptFailedMessage), kLostSpeechToastSeconds);
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

void MLLiveEngine::setMarkerRemovalForTest(std::function<bool(const QString &)> removal) {
    markerRemovalForTest() = std::move(removal);
}

void MLLiveEngine::recoverInterruptedSessions(const MLDBManager &database, qint64 userId,
                                              std::function<void(int)> done) {
    // The worker's own store; a notice of it (a damaged file set aside) is shown on the main thread.
    MLDBManager store = database;
    store.setNoticeHandler([handler = database.noticeHandler()](const QString &notice) {
        onMainThread([handler, notice] {
            if (handler)
                handler(notice);
        });
    });
    const QString documents = documentsDirectory();
    recoveryWorker().start([store, documents, userId, done]() mutable {
        QList<Interrupted> found = findInterrupted(documents, userId);
        onMainThread([store, documents, userId, done, found]() mutable {
            // A session started while the folders were read runs now: it is not interrupted. One
            // that started later was not read.
            found.removeIf([](const Interrupted &session) {
                return std::any_of(liveEngines().cbegin(), liveEngines().cend(), [&](const MLLiveEngine *e) {
                    return e->m_state != State::Idle && e->m_hasSessionFolder &&
                           e->m_storagePath == session.path;
                });
            });
            recoveryWorker().start([store, documents, userId, done, found]() mutable {
                const int added = addInterrupted(store, documents, found, userId);
                onMainThread([added, done] {
                    if (added > 0) // an open history list reads the store again
                        MLNotificationCenter::defaultCenter().postNotificationName(
                            MLNotificationNames::kChangeDeleteNotice);
                    if (done)
                        done(added);
                });
            });
        });
    });
}
