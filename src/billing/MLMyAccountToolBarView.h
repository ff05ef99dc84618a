#pragma once

#include "ui/widgets/MLSectionToolBar.h"

// The my-account section's tab bar: the personal centre (no sign-in test) and the consumption
// statement (needs a signed-in user). Its first tab is chosen by itself 0.1 s after it is built.
class MLMyAccountToolBarView final : public MLSectionToolBar {
    Q_OBJECT
public:
    explicit MLMyAccountToolBarView(QWidget *parent = nullptr);

    static QList<MLSectionTab> tabs();

    auto *individualCenterView() const { return item(1); }
    auto *detailsOfConsumptionView() const { return item(2); }
};
