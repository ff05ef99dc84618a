#pragma once

#include "ui/widgets/MLSectionFrame.h"

class MLDurationCZBarView;
class MLPointRechargeView;
class MLSetmealRechargeView;
class MLTopUpDetailsView;

// The time-recharge section: point offers, package offers and the top-up statement.
class MLDurationCZView final : public MLSectionFrame {
    Q_OBJECT
public:
    explicit MLDurationCZView(QWidget *parent = nullptr);

    MLDurationCZBarView *toolBar() const;
    // The pages of the tabs, each made on first use.
    MLPointRechargeView *pointRechargeView();
    MLSetmealRechargeView *setmealRechargeView();
    MLTopUpDetailsView *topUpDetailsView();
};
