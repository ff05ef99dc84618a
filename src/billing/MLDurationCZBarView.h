#pragma once

#include "ui/widgets/MLSectionToolBar.h"

// The recharge section's tab bar: points, packages and the top-up statement, each needing a signed-in
// user when clicked. Its first tab is chosen by itself 0.1 s after it is built, without a sign-in test.
class MLDurationCZBarView final : public MLSectionToolBar {
    Q_OBJECT
public:
    explicit MLDurationCZBarView(QWidget *parent = nullptr);

    static QList<MLSectionTab> tabs();

    auto *pointRechargeView() const { return item(1); }
    auto *packageRechargeView() const { return item(2); }
    auto *topUpDetailsView() const { return item(3); }
};
