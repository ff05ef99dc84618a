#pragma once

#include "billing/MLTariffDescriptionModel.h"
#include "ui/widgets/MLPageView.h"

#include <QList>

#include <optional>

class MLBillingTableView;
class MLRoundedPanelView;
class QScrollArea;

// The tariff list ("资费介绍"): every tariff of "/expense/getExpenseListForMac" in one request, one
// row each, in the order of the answer. No pager and no empty view.
class MLTariffDescriptionContentView final : public MLPageView {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 50;

    explicit MLTariffDescriptionContentView(QWidget *parent = nullptr);

    void refreshData() override { networkRequest(); }
    void networkRequest();

    // Nothing until the first answer.
    const std::optional<QList<MLTariffDescriptionModel>> &dataList() const { return m_dataList; }
    MLRoundedPanelView *bgView() const { return m_bgView; }
    QScrollArea *scrollView() const { return m_scrollView; }
    MLBillingTableView *tableView() const { return m_tableView; }

private:
    void creatUI();
    void layoutUI();

    std::optional<QList<MLTariffDescriptionModel>> m_dataList;
    MLRoundedPanelView *m_bgView = nullptr;
    QScrollArea *m_scrollView = nullptr;
    MLBillingTableView *m_tableView = nullptr;
};
