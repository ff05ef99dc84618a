#include "live/ui/MLSimultaneousInterpretationToolBarView.h"

QList<MLSectionTab> MLSimultaneousInterpretationToolBarView::tabs() {
    return {
        {QStringLiteral("translationSetup_icon"), QStringLiteral("翻译设置"), false},
        {QStringLiteral("highPrecisionTranslation_icon"), QStringLiteral("高精翻译"), true},
        {QStringLiteral("generalTranslation_icon"), QStringLiteral("普通翻译"), true},
        {QStringLiteral("cheapTranslation_icon"), QStringLiteral("价低翻译"), true},
        {QStringLiteral("speechRecognition_icon"), QStringLiteral("语音识别"), true},
        {QStringLiteral("historicalRecord_icon"), QStringLiteral("历史记录"), true},
    };
}

MLSimultaneousInterpretationToolBarView::MLSimultaneousInterpretationToolBarView(QWidget *parent)
    : MLSectionToolBar(tabs(), FirstChoice::Direct, parent) {}
