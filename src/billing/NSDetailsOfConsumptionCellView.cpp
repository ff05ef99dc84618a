#include "billing/NSDetailsOfConsumptionCellView.h"

NSDetailsOfConsumptionCellView::NSDetailsOfConsumptionCellView(QWidget *parent)
    : MLStatementCellView(QString(), parent) {}

void NSDetailsOfConsumptionCellView::setModel(const MLMineConsumptionModel &model) {
    setTexts(model.orderName, model.consumeMoneyStr, model.startDateStr, model.translateTime);
}
