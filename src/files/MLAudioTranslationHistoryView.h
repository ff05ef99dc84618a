#pragma once

#include "files/MLAudioTranslationHistoryCellView.h"
#include "files/MLJobHistoryView.h"
#include "files/NSAudioTranslationHistoryListModel.h"

// The history tab of the audio section: the user's audio transcription jobs.
class MLAudioTranslationHistoryView final
    : public MLJobHistoryListView<NSAudioTranslationHistoryListModel, MLAudioTranslationHistoryCellView> {
    Q_OBJECT
public:
    explicit MLAudioTranslationHistoryView(QWidget *parent = nullptr);
};
