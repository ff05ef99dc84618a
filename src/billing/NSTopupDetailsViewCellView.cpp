#include "billing/NSTopupDetailsViewCellView.h"

NSTopupDetailsViewCellView::NSTopupDetailsViewCellView(QWidget *parent)
    : MLStatementCellView(QStringLiteral("充值成功"), parent) {}

void NSTopupDetailsViewCellView::setModel(const MLMineRechargeDetailModel &model) {
    QString amount = model.rechargeMoneyStr;
    amount.remove(QLatin1Char('\n'));
    setTexts(model.rechargeTypeStr, amount, model.createTimeStr);
}
