#include "files/MLAudioTranslationHistoryView.h"

#include "files/MLAudioTranslationHistoryHeadView.h"

MLAudioTranslationHistoryView::MLAudioTranslationHistoryView(QWidget *parent)
    : MLJobHistoryListView(QStringLiteral("/voiceTranslate/getVoiceTranslateList"),
                           QStringLiteral("手动点击刷新，可查看最新音频转写状态--->"),
                           new MLAudioTranslationHistoryHeadView, parent) {}
