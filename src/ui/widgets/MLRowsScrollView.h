#pragma once

#include <QList>
#include <QPointer>
#include <QScrollArea>

// A white, frameless, vertically scrolling column of row views: the one-column tables of the pages
// that hold a few rows each made afresh on reload.
class MLRowsScrollView final : public QScrollArea {
    Q_OBJECT
public:
    explicit MLRowsScrollView(QWidget *parent = nullptr);
    // A column that fills `page` whole, in a layout without margins.
    static MLRowsScrollView *filling(QWidget *page);

    // The document that holds the rows.
    QWidget *tableView() const { return m_tableView; }

    // Replaces the rows, top to bottom; a row gets its height from `heights` when one is given. The old
    // rows are deleted once control is back in the event loop, since a reload may run inside a row's
    // own click handler.
    void setRows(const QList<QWidget *> &rows, const QList<int> &heights = {});

private:
    QWidget *m_tableView;
    QList<QPointer<QWidget>> m_rows;
};
