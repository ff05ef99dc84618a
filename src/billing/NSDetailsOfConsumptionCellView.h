#pragma once

#include "billing/MLMineConsumptionModel.h"
#include "billing/MLStatementCellView.h"

// A row of the consumption statement.
class NSDetailsOfConsumptionCellView final : public MLStatementCellView {
    Q_OBJECT
public:
    explicit NSDetailsOfConsumptionCellView(QWidget *parent = nullptr);

    void setModel(const MLMineConsumptionModel &model);
};
