#include "live/engine/LowpriceTranslationHelp.h"

#include "core/model/MLJsonModel.h"
#include "core/net/MLEncryptOperation.h"
#include "core/net/MLMicrosoftNetRequestManager.h"
#include "core/net/MLToolNetService.h"
#include "live/engine/MLDBManager.h"
#include "live/engine/MLMicrosoftModel.h"
#include "platform/speech/MLSpeechRecognizer.h"

#include <QTimer>
#include <QVariantMap>

namespace {
const QString kTransportCode = QStringLiteral("1");
const QString kTxtTranslateAuthPath = QStringLiteral("/cost/getTxtTranslateAuth");
constexpr double kToastSeconds = 1.0;
} // namespace

LowpriceTranslationHelp &LowpriceTranslationHelp::shareHelp() {
    static LowpriceTranslationHelp *help = [] {
        auto *created = new LowpriceTranslationHelp;
        MLDBManager::getSharedInstance().createDB();
        return created;
    }();
    return *help;
}

LowpriceTranslationHelp::LowpriceTranslationHelp(Services services, MLMicrosoftNetRequestManager *translator,
                                                 QObject *parent)
    : MLLiveEngine(Tier{QStringLiteral("8"), QStringLiteral("/signature/getMicrosoftSin8"), 4},
                   std::move(services), parent)
    , m_translator(translator ? translator : &MLMicrosoftNetRequestManager::sharedService()) {}

LowpriceTranslationHelp::~LowpriceTranslationHelp() = default;

void LowpriceTranslationHelp::setResendPolicy(int maxResends, int firstPauseMs) {
    m_maxResends = qMax(0, maxResends);
    m_firstPauseMs = qMax(0, firstPauseMs);
}

std::unique_ptr<MLRecognizer> LowpriceTranslationHelp::makeRecognizer(MLSpeechConfig config) {
    return std::make_unique<MLSpeechRecognizer>(config, capture());
}

void LowpriceTranslationHelp::recognizing(const MLSpeechRecognitionResult &result) {
    captions().replaceOpen(result.text);
    publishCaptions();
}

void LowpriceTranslationHelp::recognized(const MLSpeechRecognitionResult &result) {
    if (result.reason != MLSpeechRecognitionResult::RecognizedSpeech || result.text.isEmpty())
        return;
    const qsizetype index = captions().closeOpen(result.text);
    getMicrosoftTranslation(Job{result.text, index, sessionGeneration(), 0});
    publishCaptions();
}

void LowpriceTranslationHelp::getMicrosoftTranslation(const Job &job) {
    const QString body =
        ml::json::toJsonString(QVariantList{QVariantMap{{QStringLiteral("text"), job.text}}});
    m_translator->postUrl(
        advancedModel().txtTranslateUrl, body.toUtf8(), advancedModel().txtTranslateAuth,
        [this, job](const QJsonValue &answer) { applyTranslation(job, answer); },
        [this, job](const QString &message, const QString &code) { retry(job, message, code); }, this);
}

void LowpriceTranslationHelp::applyTranslation(const Job &job, const QJsonValue &answer) {
    // The entry of an earlier session is gone: its index now names another sentence, or none.
    if (job.generation != sessionGeneration())
        return;
    const QList<MLMicrosoftModel> models = ml::json::arrayFromJson<MLMicrosoftModel>(answer);
    if (models.isEmpty())
        return;
    for (const MLMicrosoftTranslations &translation : models.first().translations) {
        if (translation.to != to())
            continue;
        if (captions().replaceAt(job.index, job.text + QLatin1Char('\n') + translation.text))
            publishCaptions();
    }
}

void LowpriceTranslationHelp::retry(Job job, const QString &message, const QString &code) {
    if (job.generation != sessionGeneration())
        return;
    if (job.resends >= m_maxResends) {
        qCWarning(lcLiveEngine) << "translation given up after" << job.resends << "resends:" << message
                                << code;
        return;
    }
    ++job.resends;
    const int pause = m_firstPauseMs << qMin(job.resends - 1, 16);
    QTimer::singleShot(pause, this, [this, job, message, code] {
        if (job.generation != sessionGeneration())
            return;
        if (code == kTransportCode)
            getMicrosoftTranslation(job);
        else
            GetTxtTranslateAuth(job, message);
    });
}

void LowpriceTranslationHelp::GetTxtTranslateAuth(const Job &job, const QString &errMsg) {
    const QVariantMap params{{QStringLiteral("errMsg"), errMsg},
                             {QStringLiteral("keepupKey"), advancedModel().keepupKey}};
    netService().ml_requireGetTxtTranslateAuthUrl(
        kTxtTranslateAuthPath, MLEncryptOperation::returnRequestJsonToDic(params),
        [this, job](const MLToolAdvancedModel &model) {
            if (job.generation != sessionGeneration())
                return;
            mutableAdvancedModel().txtTranslateAuth = model.txtTranslateAuth;
            getMicrosoftTranslation(job);
        },
        [this, job](const QString &message, const QString &) {
            if (job.generation != sessionGeneration())
                return;
            hideOverlay();
            toast(message, kToastSeconds);
        },
        this);
}
