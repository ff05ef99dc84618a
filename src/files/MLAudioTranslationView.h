#pragma once

#include "ui/widgets/MLSectionFrame.h"

class MLAudioTranslationViewaToolBarView;
class MLAudioTranslationSonView;
class MLAudioTranslationHistoryView;

// The audio transcription section: the upload tab and the history of audio jobs.
class MLAudioTranslationView final : public MLSectionFrame {
    Q_OBJECT
public:
    explicit MLAudioTranslationView(QWidget *parent = nullptr);

    MLAudioTranslationViewaToolBarView *toolBar() const;
    // The pages, made on first use.
    MLAudioTranslationSonView *audioTranslationSonView();
    MLAudioTranslationHistoryView *audioTranslationHistoryView();
};
