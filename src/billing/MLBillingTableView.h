#pragma once

#include <QList>
#include <QWidget>

#include <functional>

// The one-column table of the billing lists: rows are views stacked top to bottom, each as wide as the
// table, built afresh by reloadData() from the data-source blocks. Its height is the sum of the rows',
// so it sits in a scroll view as the document.
class MLBillingTableView final : public QWidget {
    Q_OBJECT
public:
    using NumberOfRowsBlock = std::function<int()>;
    using HeightOfRowBlock = std::function<int(int row)>;
    using ViewForRowBlock = std::function<QWidget *(int row)>;

    explicit MLBillingTableView(QWidget *parent = nullptr);

    void setNumberOfRowsBlock(NumberOfRowsBlock block) { m_numberOfRows = std::move(block); }
    // Every row `height` high (used when no height block is set).
    void setRowHeight(int height) { m_rowHeight = height; }
    void setHeightOfRowBlock(HeightOfRowBlock block) { m_heightOfRow = std::move(block); }
    void setViewForRowBlock(ViewForRowBlock block) { m_viewForRow = std::move(block); }

    // Drops every row view and asks the blocks for the rows again.
    void reloadData();

    int numberOfRows() const { return int(m_rows.size()); }
    // The view of `row`; null for a row that is out of range or has no view.
    QWidget *viewAtRow(int row) const;
    QRect rectOfRow(int row) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutRows();

    NumberOfRowsBlock m_numberOfRows;
    HeightOfRowBlock m_heightOfRow;
    ViewForRowBlock m_viewForRow;
    int m_rowHeight = 44;
    QList<QWidget *> m_rows;
    QList<int> m_heights;
};
