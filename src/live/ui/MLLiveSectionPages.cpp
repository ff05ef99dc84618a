#include "live/ui/MLLiveSectionPages.h"

QList<MLSectionFrame::PageFactory> MLLiveSectionPages::factories() {
    return {
        nullptr, // 1 翻译设置
        nullptr, // 2 高精翻译
        nullptr, // 3 普通翻译
        nullptr, // 4 价低翻译
        nullptr, // 5 语音识别
        nullptr, // 6 历史记录
    };
}
