#pragma once

#include "billing/MLTariffDescriptionModel.h"

#include <QWidget>

class MLWebImageView;
class QLabel;

// A row of the tariff list: icon, title and explanation.
class MLTariffDescriptionCellView final : public QWidget {
    Q_OBJECT
public:
    explicit MLTariffDescriptionCellView(QWidget *parent = nullptr);

    void setModel(const MLTariffDescriptionModel &model);

    MLWebImageView *iconImage() const { return m_iconImage; }
    QLabel *modeLabel() const { return m_modeLabel; }
    QLabel *chargingLabel() const { return m_chargingLabel; }
    QWidget *line_bottom() const { return m_line_bottom; }

private:
    void setUI();
    void layoutUI();

    MLWebImageView *m_iconImage = nullptr;
    QLabel *m_modeLabel = nullptr;
    QLabel *m_chargingLabel = nullptr;
    QWidget *m_line_bottom = nullptr;
};
