#include "app/MLMainSections.h"

#include "billing/MLDurationCZView.h"
#include "billing/MLMyAccountView.h"
#include "billing/MLTariffDescriptionView.h"
#include "files/MLAudioTranslationView.h"
#include "files/MLDocumentTranslationView.h"
#include "live/ui/MLSimultaneousInterpretationView.h"

QList<MLSectionFrame::PageFactory> MLMainSections::factories() {
    return {
        [] { return new MLSimultaneousInterpretationView; }, // 1 同声传译
        [] { return new MLDocumentTranslationView; },        // 2 文档翻译
        [] { return new MLAudioTranslationView; },           // 3 音频转写
        [] { return new MLMyAccountView; },                  // 4 我的账户
        [] { return new MLTariffDescriptionView; },          // 5 资费说明
        [] { return new MLDurationCZView; },                 // 6 时长充值
    };
}
