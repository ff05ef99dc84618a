#include "billing/MLMyAccountToolBarView.h"

QList<MLSectionTab> MLMyAccountToolBarView::tabs() {
    return {
        {QStringLiteral("individualCenter_icon"), QStringLiteral("个人中心"), false},
        {QStringLiteral("detailsOfConsumption_icon"), QStringLiteral("消费明细"), true},
    };
}

MLMyAccountToolBarView::MLMyAccountToolBarView(QWidget *parent)
    : MLSectionToolBar(tabs(), FirstChoice::Direct, parent) {}
