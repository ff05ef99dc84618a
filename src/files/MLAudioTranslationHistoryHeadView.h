#pragma once

#include "files/MLJobHistoryHeadView.h"

// The column heads of the audio jobs, with "转写费用".
class MLAudioTranslationHistoryHeadView final : public MLJobHistoryHeadView {
    Q_OBJECT
public:
    explicit MLAudioTranslationHistoryHeadView(QWidget *parent = nullptr)
        : MLJobHistoryHeadView(QStringLiteral("转写费用"), parent) {}
};
