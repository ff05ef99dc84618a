#pragma once

#include "ui/widgets/MLSectionToolBar.h"

// The document section's tab bar: "上传文档" and "历史记录", both for a signed-in user. It chooses the
// upload tab by itself 0.1 s after it is built, and the history tab whenever a document translation
// has been started (MLNotificationNames::kDocumentHistorical).
class MLDocumentTranslationViewToolBarView final : public MLSectionToolBar {
    Q_OBJECT
public:
    explicit MLDocumentTranslationViewToolBarView(QWidget *parent = nullptr);

    static QList<MLSectionTab> tabs();

    auto *uploadDocumentView() const { return item(1); }
    auto *historicalRecordView() const { return item(2); }
    void uploadDocumentViewClick() { clickTab(1); }
    void historicalRecordViewClick() { clickTab(2); }
};
