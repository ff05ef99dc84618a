#include "files/MLAudioTranslationViewaToolBarView.h"

#include "platform/kit/MLNotificationNames.h"

QList<MLSectionTab> MLAudioTranslationViewaToolBarView::tabs() {
    return {
        {QStringLiteral("upload_audio_icon"), QStringLiteral("上传音频"), true},
        {QStringLiteral("historicalRecord_icon"), QStringLiteral("历史记录"), true},
    };
}

MLAudioTranslationViewaToolBarView::MLAudioTranslationViewaToolBarView(QWidget *parent)
    : MLSectionToolBar(tabs(), FirstChoice::ThroughClickHandler, parent) {
    observe(MLNotificationNames::kAudioTranslationHistorical, 2);
}
