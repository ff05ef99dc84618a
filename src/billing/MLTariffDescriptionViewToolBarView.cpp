#include "billing/MLTariffDescriptionViewToolBarView.h"

QList<MLSectionTab> MLTariffDescriptionViewToolBarView::tabs() {
    return {{QStringLiteral("tariffDescription_icon"), QStringLiteral("资费介绍"), false}};
}

MLTariffDescriptionViewToolBarView::MLTariffDescriptionViewToolBarView(QWidget *parent)
    : MLSectionToolBar(tabs(), FirstChoice::Direct, parent) {}
