#include "billing/MLDurationCZView.h"

#include "billing/MLDurationCZBarView.h"
#include "billing/MLPointRechargeView.h"
#include "billing/MLSetmealRechargeView.h"
#include "billing/MLTopUpDetailsView.h"

MLDurationCZView::MLDurationCZView(QWidget *parent)
    : MLSectionFrame(new MLDurationCZBarView,
                     {[] { return new MLPointRechargeView; }, [] { return new MLSetmealRechargeView; },
                      [] { return new MLTopUpDetailsView; }},
                     parent) {}

MLDurationCZBarView *MLDurationCZView::toolBar() const {
    return static_cast<MLDurationCZBarView *>(leftView());
}

MLPointRechargeView *MLDurationCZView::pointRechargeView() {
    return static_cast<MLPointRechargeView *>(page(1));
}

MLSetmealRechargeView *MLDurationCZView::setmealRechargeView() {
    return static_cast<MLSetmealRechargeView *>(page(2));
}

MLTopUpDetailsView *MLDurationCZView::topUpDetailsView() {
    return static_cast<MLTopUpDetailsView *>(page(3));
}
