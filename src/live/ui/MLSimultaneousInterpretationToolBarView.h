#pragma once

#include "ui/widgets/MLSectionToolBar.h"

// The live section's tab bar: settings, the four tiers and the history. Its first tab is chosen by
// itself 0.1 s after it is built, without a sign-in test; tabs 2 to 6 need a signed-in user.
class MLSimultaneousInterpretationToolBarView final : public MLSectionToolBar {
    Q_OBJECT
public:
    explicit MLSimultaneousInterpretationToolBarView(QWidget *parent = nullptr);

    static QList<MLSectionTab> tabs();

    auto *translationSetupView() const { return item(1); }
    auto *highPrecisionTranslationView() const { return item(2); }
    auto *generalTranslationView() const { return item(3); }
    auto *cheapTranslationView() const { return item(4); }
    auto *speechRecognitionView() const { return item(5); }
    auto *historicalRecordView() const { return item(6); }
};
