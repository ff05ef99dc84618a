#pragma once

#include "ui/widgets/MLSectionToolBar.h"

// The tariff section's tab bar: one tab, "资费介绍", chosen by itself 0.1 s after the bar is built.
class MLTariffDescriptionViewToolBarView final : public MLSectionToolBar {
    Q_OBJECT
public:
    explicit MLTariffDescriptionViewToolBarView(QWidget *parent = nullptr);

    static QList<MLSectionTab> tabs();

    auto *tariffIntroductionView() const { return item(1); }
};
