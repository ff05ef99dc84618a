#pragma once

#include "billing/MLGetMeSetmealListList.h"

#include <QWidget>

class MLRoundedPanelView;
class MLWebImageView;
class QLabel;

// The card of one owned package: icon, name, remaining time and validity.
class MLIndividualCenterSetMealView final : public QWidget {
    Q_OBJECT
public:
    explicit MLIndividualCenterSetMealView(QWidget *parent = nullptr);

    void setModel(const MLGetMeSetmealListList &model);

    MLRoundedPanelView *bgView() const { return m_bgView; }
    MLWebImageView *iconImage() const { return m_iconImage; }
    QLabel *setMealLabel() const { return m_setMealLabel; }
    QLabel *timeLabel() const { return m_timeLabel; }
    QLabel *effectiveLabel() const { return m_effectiveLabel; }

private:
    void setUI();
    void layoutUI();

    MLRoundedPanelView *m_bgView = nullptr;
    MLWebImageView *m_iconImage = nullptr;
    QLabel *m_setMealLabel = nullptr;
    QLabel *m_timeLabel = nullptr;
    QLabel *m_effectiveLabel = nullptr;
};
