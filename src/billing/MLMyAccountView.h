#pragma once

#include "ui/widgets/MLSectionFrame.h"

class MLDetailsOfConsumptionView;
class MLIndividualCenterView;
class MLMyAccountToolBarView;

// The my-account section: the personal centre and the consumption statement.
class MLMyAccountView final : public MLSectionFrame {
    Q_OBJECT
public:
    explicit MLMyAccountView(QWidget *parent = nullptr);

    MLMyAccountToolBarView *toolBar() const;
    // The pages of the tabs, each made on first use.
    MLIndividualCenterView *individualCenterView();
    MLDetailsOfConsumptionView *detailsOfConsumptionView();
};
