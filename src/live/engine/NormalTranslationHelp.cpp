#include "live/engine/NormalTranslationHelp.h"

#include "live/engine/MLDBManager.h"
#include "platform/speech/MLTranslationRecognizer.h"

NormalTranslationHelp &NormalTranslationHelp::shareHelp() {
    static NormalTranslationHelp *help = [] {
        auto *created = new NormalTranslationHelp;
        MLDBManager::getSharedInstance().createDB();
        return created;
    }();
    return *help;
}

NormalTranslationHelp::NormalTranslationHelp(Services services, QObject *parent)
    : MLLiveEngine(Tier{QStringLiteral("7"), QStringLiteral("/signature/getMicrosoftSin7"), 2},
                   std::move(services), parent) {}

NormalTranslationHelp::~NormalTranslationHelp() = default;

std::unique_ptr<MLRecognizer> NormalTranslationHelp::makeRecognizer(MLSpeechConfig config) {
    config.addTargetLanguage(to());
    return std::make_unique<MLTranslationRecognizer>(config, capture());
}

QString NormalTranslationHelp::caption(const MLSpeechRecognitionResult &result) const {
    const auto translation = result.translations.constFind(to());
    if (translation == result.translations.cend())
        return result.text;
    return result.text + QLatin1Char('\n') + *translation;
}

void NormalTranslationHelp::recognizing(const MLSpeechRecognitionResult &result) {
    captions().replaceOpen(caption(result));
    publishCaptions();
}

void NormalTranslationHelp::recognized(const MLSpeechRecognitionResult &result) {
    if (result.reason != MLSpeechRecognitionResult::TranslatedSpeech)
        return;
    captions().closeOpen(caption(result));
    publishCaptions();
}
