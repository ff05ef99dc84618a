#pragma once

#include "live/engine/HistoricalRecordModel.h"
#include "ui/widgets/MLPageView.h"
#include "ui/widgets/MLRowsScrollView.h"

#include <QList>
#include <QScrollArea>
#include <QWidget>

class NSNotDataView;
class NSSubtitleExportCellView;

// The history of live sessions (tab 6 of the live section): the signed-in user's sessions, newest first, one
// row each; the empty-state view when there are none. Reads the store again on every refresh and after a row
// has been deleted (MLNotificationNames::kChangeDeleteNotice).
class MLTSHistoryView final : public MLPageView {
    Q_OBJECT
public:
    explicit MLTSHistoryView(QWidget *parent = nullptr);

    void refreshData() override;
    // Reads the store into `dataList`, shows or hides the empty-state view and reloads the rows.
    void getData();

    const QList<HistoricalRecordModel> &dataList() const { return m_dataList; }
    NSNotDataView *notDataView() const { return m_notDataView; }
    QScrollArea *scrollView() const { return m_scrollView; }
    // The row views shown, in list order.
    const QList<NSSubtitleExportCellView *> &rowViews() const { return m_rowViews; }

    static constexpr int kRowHeight = 50;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void reloadData();

    MLRowsScrollView *m_scrollView = nullptr;
    QWidget *m_tableView = nullptr;
    NSNotDataView *m_notDataView = nullptr;
    QList<NSSubtitleExportCellView *> m_rowViews;
    QList<HistoricalRecordModel> m_dataList;
};
