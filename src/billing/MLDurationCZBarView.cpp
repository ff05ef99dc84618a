#include "billing/MLDurationCZBarView.h"

QList<MLSectionTab> MLDurationCZBarView::tabs() {
    return {
        {QStringLiteral("pointRecharge_icon"), QStringLiteral("点数充值"), true},
        {QStringLiteral("packageRecharge_icon"), QStringLiteral("套餐充值"), true},
        {QStringLiteral("topUpDetails_icon"), QStringLiteral("充值明细"), true},
    };
}

MLDurationCZBarView::MLDurationCZBarView(QWidget *parent)
    : MLSectionToolBar(tabs(), FirstChoice::Direct, parent) {}
