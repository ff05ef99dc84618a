#pragma once

#include "billing/MLGetSetmealList.h"
#include "billing/MLRechargeBaseView.h"

#include <QList>

#include <optional>

class MLBillingTableView;
class MLSetmealRechargeCell;
class QScrollArea;

// The "套餐充值" page: the package categories of "/websitePay/getSetmealList", one table row per
// category with its title over a grid of its offers; one offer selected across all categories (the
// first of the first category once they have arrived), its prices in the bottom bar, and the payment
// side of MLRechargeBaseView.
class MLSetmealRechargeView final : public MLRechargeBaseView {
    Q_OBJECT
public:
    explicit MLSetmealRechargeView(QWidget *parent = nullptr);

    static constexpr int kGridWidth = 828;
    // 50 for the title, then rows of 65 spaced 85 apart; a category without offers keeps the title
    // and one empty grid row.
    static int heightOfRow(qint64 offerCount);

    void networkRequest();
    // Shows the prices of the selected offer.
    void initDefaultValue();
    // Selects offer `index` of category `row`, alone across all categories.
    void selectOffer(qint64 row, qint64 index);

    QString orderPath(bool iszfb) const override;
    QJsonObject orderParameters() const override;

    const QList<MLGetSetmealList> &listModel() const { return m_listModel; }
    const std::optional<MLGetSetmealModel> &seletedModel() const { return m_seletedModel; }
    QScrollArea *scrollView() const { return m_scrollView; }
    MLBillingTableView *tableView() const { return m_tableView; }
    MLSetmealRechargeCell *cellAtRow(int row) const;

private:
    void creatUI();
    void layoutUI();
    QWidget *viewForRow(int row);

    QList<MLGetSetmealList> m_listModel;
    std::optional<MLGetSetmealModel> m_seletedModel;
    QScrollArea *m_scrollView = nullptr;
    MLBillingTableView *m_tableView = nullptr;
};
