#pragma once

#include "ui/widgets/MLSectionFrame.h"

class MLDocumentTranslationViewToolBarView;
class MLDocumentTranslationSonView;
class MLDocumentTranslationHistoryView;

// The document translation section: the upload tab and the history of document jobs.
class MLDocumentTranslationView final : public MLSectionFrame {
    Q_OBJECT
public:
    explicit MLDocumentTranslationView(QWidget *parent = nullptr);

    MLDocumentTranslationViewToolBarView *toolBar() const;
    // The pages, made on first use.
    MLDocumentTranslationSonView *documentTranslationView();
    MLDocumentTranslationHistoryView *documentTranslationHistoryView();
};
