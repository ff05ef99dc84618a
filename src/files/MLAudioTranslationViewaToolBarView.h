#pragma once

#include "ui/widgets/MLSectionToolBar.h"

// The audio section's tab bar: "上传音频" and "历史记录", both for a signed-in user. It chooses the
// upload tab by itself 0.1 s after it is built, and the history tab whenever an audio upload has been
// reported (MLNotificationNames::kAudioTranslationHistorical).
class MLAudioTranslationViewaToolBarView final : public MLSectionToolBar {
    Q_OBJECT
public:
    explicit MLAudioTranslationViewaToolBarView(QWidget *parent = nullptr);

    static QList<MLSectionTab> tabs();

    auto *uploadAudioView() const { return item(1); }
    auto *historicalRecordView() const { return item(2); }
    void uploadAudioViewClick() { clickTab(1); }
    void historicalRecordViewClick() { clickTab(2); }
};
