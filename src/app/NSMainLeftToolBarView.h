#pragma once

#include "ui/widgets/MLSectionToolBar.h"

#include <QLabel>

#include <functional>

// The main page's navigation bar: the six section entries, then the package-remaining entry
// "套餐剩余" with the balance and its refresh icon.
class NSMainLeftToolBarView final : public MLSectionToolBar {
    Q_OBJECT
public:
    explicit NSMainLeftToolBarView(QWidget *parent = nullptr);

    static QList<MLSectionTab> entries();

    // Shows the balance as "%@点", whole: in a smaller font when the free width needs it.
    void setBalance(const QString &balanceStr);
    QLabel *balanceLabel() const { return m_balanceLabel; }
    QWidget *setMealView() const { return m_setMealView; }
    QWidget *refreshImage() const { return m_refreshImage; }

    void setDidMyAccountBlock(std::function<void()> block) { m_didMyAccountBlock = std::move(block); }
    void setDidRefreshBlock(std::function<void()> block) { m_didRefreshBlock = std::move(block); }
    void setMealViewClick();

protected:
    void layoutUI() override;

private:
    void fitBalance();

    QWidget *m_setMealView;
    QLabel *m_setMealLabel;
    QLabel *m_balanceLabel;
    QLabel *m_refreshImage;
    std::function<void()> m_didMyAccountBlock;
    std::function<void()> m_didRefreshBlock;
};
