#include "live/ui/MLLiveSectionPages.h"

#include "live/ui/MLTSHistoryView.h"
#include "live/ui/MLTogetherSettingView.h"

QList<MLSectionFrame::PageFactory> MLLiveSectionPages::factories() {
    return {
        [] { return new MLTogetherSettingView; }, // 1 翻译设置
        nullptr,                                  // 2 高精翻译
        nullptr,                                  // 3 普通翻译
        nullptr,                                  // 4 价低翻译
        nullptr,                                  // 5 语音识别
        [] { return new MLTSHistoryView; },       // 6 历史记录
    };
}
