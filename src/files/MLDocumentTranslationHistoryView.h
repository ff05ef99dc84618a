#pragma once

#include "files/MLJobHistoryView.h"
#include "files/NSDocumentTranslationHistoryCellView.h"
#include "files/NSDocumentTranslationHistoryListModel.h"

// The history tab of the document section: the user's document translation jobs.
class MLDocumentTranslationHistoryView final
    : public MLJobHistoryListView<NSDocumentTranslationHistoryListModel,
                                  NSDocumentTranslationHistoryCellView> {
    Q_OBJECT
public:
    explicit MLDocumentTranslationHistoryView(QWidget *parent = nullptr);
};
