#include "billing/MLMyAccountView.h"

#include "billing/MLDetailsOfConsumptionView.h"
#include "billing/MLIndividualCenterView.h"
#include "billing/MLMyAccountToolBarView.h"

MLMyAccountView::MLMyAccountView(QWidget *parent)
    : MLSectionFrame(
          new MLMyAccountToolBarView,
          {[] { return new MLIndividualCenterView; }, [] { return new MLDetailsOfConsumptionView; }},
          parent) {}

MLMyAccountToolBarView *MLMyAccountView::toolBar() const {
    return static_cast<MLMyAccountToolBarView *>(leftView());
}

MLIndividualCenterView *MLMyAccountView::individualCenterView() {
    return static_cast<MLIndividualCenterView *>(page(1));
}

MLDetailsOfConsumptionView *MLMyAccountView::detailsOfConsumptionView() {
    return static_cast<MLDetailsOfConsumptionView *>(page(2));
}
