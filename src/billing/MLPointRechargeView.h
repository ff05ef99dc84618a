#pragma once

#include "billing/MLGetPointDetailsModel.h"
#include "billing/MLRechargeBaseView.h"

#include <QList>

#include <optional>

class MLOfferButton;
class QLabel;

// The "点数充值" page: the point offers of "/websitePay/getPointList" as one grid, six to a row, with
// one offer selected (the first once they have arrived), its prices in the bottom bar, and the payment
// side of MLRechargeBaseView.
class MLPointRechargeView final : public MLRechargeBaseView {
    Q_OBJECT
public:
    explicit MLPointRechargeView(QWidget *parent = nullptr);

    static constexpr int kGridWidth = 816;

    void networkRequest();
    // Shows the prices of offer `index` of the flat offer list.
    void initDefaultValue(qint64 index);
    // Builds the grid from the flat offer list, the first offer selected.
    void setPoinView();
    void btnClick(MLOfferButton *button);

    QString orderPath(bool iszfb) const override;
    QJsonObject orderParameters() const override;

    const std::optional<MLGetPointDetailsModel> &model() const { return m_model; }
    MLOfferButton *seletedBtn() const { return m_seletedBtn; }
    QList<MLOfferButton *> buttons() const { return m_buttons; }
    QLabel *topTipLabel() const { return m_topTipLabel; }

    // "<points>点" with the "点" in the 12-point system font.
    static QString buttonTitle(const QString &pointStr);

private:
    void creatUI();
    void layoutUI();

    std::optional<MLGetPointDetailsModel> m_model;
    MLOfferButton *m_seletedBtn = nullptr;
    QList<MLOfferButton *> m_buttons;
    QLabel *m_topTipLabel = nullptr;
};
