#include "billing/MLTariffDescriptionView.h"

#include "billing/MLTariffDescriptionContentView.h"
#include "billing/MLTariffDescriptionViewToolBarView.h"

MLSectionFrame::Options MLTariffDescriptionView::options() {
    Options options;
    options.tracksSelectedIndex = false;
    options.refreshOnShow = false;
    options.alwaysRefreshTab = 1;
    return options;
}

MLTariffDescriptionView::MLTariffDescriptionView(QWidget *parent)
    : MLSectionFrame(new MLTariffDescriptionViewToolBarView,
                     {[] { return new MLTariffDescriptionContentView; }}, options(), parent) {}

MLTariffDescriptionViewToolBarView *MLTariffDescriptionView::toolBar() const {
    return static_cast<MLTariffDescriptionViewToolBarView *>(leftView());
}

MLTariffDescriptionContentView *MLTariffDescriptionView::contentView() {
    return static_cast<MLTariffDescriptionContentView *>(page(1));
}
