#pragma once

#include "live/ui/MLRegionModel.h"

#include <QList>
#include <QScrollArea>
#include <QString>
#include <QWidget>

class MLRegionShowTipCellView;

// The region notes: every region of the list with its note, one row each, in list order. Rows are as
// high as their note needs; the view scrolls when they outgrow it.
class MLRegionShowTipVC final : public QWidget {
    Q_OBJECT
public:
    explicit MLRegionShowTipVC(QWidget *parent = nullptr);

    // Stores the list and reloads the rows.
    void setDataList(const QList<MLRegionModel> &dataList);
    const QList<MLRegionModel> &dataList() const { return m_dataList; }

    QScrollArea *scrollView() const { return m_scrollView; }
    QWidget *tableView() const { return m_tableView; }

    int numberOfRowsInTableView() const { return int(m_dataList.size()); }
    int heightOfRow(int row) const;
    // The row view shown for `row`, nullptr outside the list.
    MLRegionShowTipCellView *viewForRow(int row) const;

    // The height of a note laid out in the 12-point system font within 300 by 500 points, plus 50.
    static int getHeightWithContent(const QString &content);

private:
    void creatUI();
    void layoutUI();
    void reloadData();

    QScrollArea *m_scrollView = nullptr;
    QWidget *m_tableView = nullptr;
    QList<MLRegionShowTipCellView *> m_rows;
    QList<MLRegionModel> m_dataList;
};
