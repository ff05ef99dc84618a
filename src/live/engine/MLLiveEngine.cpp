#include "live/engine/MLLiveEngine.h"

#include "app/AppDelegate.h"
#include "core/net/MLEncryptOperation.h"
#include "core/net/MLToolNetService.h"
#include "core/session/MLUserManager.h"
#include "live/engine/AudioRecordManager.h"
#include "live/engine/MLDBManager.h"
#include "ui/util/MLBlockTimer.h"
#include "ui/util/MLUtilsTools.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLToast.h"

#include <QDir>
#include <QStandardPaths>
#include <QVariantMap>

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

QString documentsDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
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
            AppDelegate *app = AppDelegate::shared();
            return app ? app->contentView() : nullptr;
        };
}

MLLiveEngine::~MLLiveEngine() {
    MLBlockTimer::invalidate(m_downTimer);
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
    m_storagePath = QStringLiteral("historicalRecord/%1/%2/%3")
                        .arg(m_services.userManager->consumerId())
                        .arg(MLUtilsTools::getNowDate(), MLUtilsTools::getNowTimeTimestamp());
    const QString folder = documentsDirectory() + QLatin1Char('/') + m_storagePath;
    m_hasSessionFolder = QDir().mkpath(folder);
    if (!m_hasSessionFolder)
        qCWarning(lcLiveEngine) << "cannot create the session folder" << folder;
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
}

bool MLLiveEngine::runStallGuard() {
    if (m_successTime < kStallTicks)
        return false;
    toast(QString::fromUtf8(kStallMessage), kStallToastSeconds);
    stopTranslation();
    return true;
}

void MLLiveEngine::publishCaptions() {
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
    QTimer::singleShot(m_stopDelay, this, [this] { finishStop(); });
}

void MLLiveEngine::finishStop() {
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
    netService().ml_requireKeepupUrl(
        kEndTranslatePath, MLEncryptOperation::returnRequestJsonToDic(params),
        [this](const QJsonObject &) { hideOverlay(); },
        [this](const QString &message, const QString &) {
            hideOverlay();
            toast(message, kToastSeconds);
        },
        this);
}

void MLLiveEngine::stopSpeechRecognition() {
    m_services.recorder->stop();
    // A start that never reached its own folder (a first report that stopped the session, a
    // recognizer that could not be made) must not write into the previous session's folder.
    if (m_hasSessionFolder) {
        m_services.recorder->startWriteTxt(m_captions.transcript(), m_storagePath);
        if (!m_services.database->saveData(m_storagePath, m_tier.historyType,
                                           MLUtilsTools::getNowTimeTimestamp()))
            qCWarning(lcLiveEngine) << "the history row was not saved for" << m_storagePath;
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
    std::optional<MLSpeechConfig> config =
        !m_speechKey.isEmpty() ? MLSpeechConfig::fromSubscription(m_speechKey, m_serviceRegion)
                               : MLSpeechConfig::fromAuthorizationToken(m_authToken, m_serviceRegion);
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
    connect(m_speechRecognizer.get(), &MLRecognizer::canceled, this,
            [](const MLSpeechRecognitionResult &result) {
                qCWarning(lcLiveEngine) << "recognition canceled:" << result.errorCode << result.errorDetails;
            });
    return true;
}
