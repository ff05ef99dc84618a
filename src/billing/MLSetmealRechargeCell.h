#pragma once

#include "billing/MLGetSetmealList.h"

#include <QList>
#include <QWidget>

#include <functional>

class MLOfferButton;
class QLabel;

// One row of the package table: the category's title and a grid of its offers, six to a row; offers
// whose flag is set show the selected look.
class MLSetmealRechargeCell final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kGridWidth = 810;
    static constexpr int kGridTop = 50;

    explicit MLSetmealRechargeCell(QWidget *parent = nullptr);

    // Called with the clicked offer and its index in the row's category.
    void setSetmealDidClikcBlock(std::function<void(const MLGetSetmealModel &, qint64)> block) {
        m_setmealDidClikcBlock = std::move(block);
    }
    void setModel(const MLGetSetmealList &model);
    void btnClick(MLOfferButton *button);

    const MLGetSetmealList &inModel() const { return m_inModel; }
    QLabel *tipLabel() const { return m_tipLabel; }
    QWidget *pointView() const { return m_pointView; }
    QList<MLOfferButton *> buttons() const { return m_buttons; }

    // "<name>\n有效期:<days>", centred, line spacing 5, the validity in the 11-point system font.
    static QString buttonTitle(const MLGetSetmealModel &offer);

private:
    MLGetSetmealList m_inModel;
    std::function<void(const MLGetSetmealModel &, qint64)> m_setmealDidClikcBlock;
    QLabel *m_tipLabel;
    QWidget *m_pointView;
    QList<MLOfferButton *> m_buttons;
};
