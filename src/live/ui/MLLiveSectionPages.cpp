#include "live/ui/MLLiveSectionPages.h"

#include "live/ui/MLHighTranslationView.h"
#include "live/ui/MLLowpriceTranslationView.h"
#include "live/ui/MLNormalTranslationView.h"
#include "live/ui/MLTSHistoryView.h"
#include "live/ui/MLTSRecognizeView.h"
#include "live/ui/MLTogetherSettingView.h"

QList<MLSectionFrame::PageFactory> MLLiveSectionPages::factories() {
    return {
        [] { return new MLTogetherSettingView; },     // 1 翻译设置
        [] { return new MLHighTranslationView; },     // 2 高精翻译
        [] { return new MLNormalTranslationView; },   // 3 普通翻译
        [] { return new MLLowpriceTranslationView; }, // 4 价低翻译
        [] { return new MLTSRecognizeView; },         // 5 语音识别
        [] { return new MLTSHistoryView; },           // 6 历史记录
    };
}
