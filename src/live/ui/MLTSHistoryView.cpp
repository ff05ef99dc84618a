#include "live/ui/MLTSHistoryView.h"

#include "live/engine/MLDBManager.h"
#include "live/ui/NSSubtitleExportCellView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "ui/widgets/NSNotDataView.h"

#include "ui/widgets/MLRowsScrollView.h"

MLTSHistoryView::MLTSHistoryView(QWidget *parent)
    : MLPageView(parent) {
    m_scrollView = MLRowsScrollView::filling(this);
    m_tableView = m_scrollView->tableView();

    m_notDataView = new NSNotDataView(this);
    m_notDataView->setHidden(true);

    MLNotificationCenter::defaultCenter().addObserver(this, MLNotificationNames::kChangeDeleteNotice,
                                                      [this](const MLNotification &) { getData(); });
}

void MLTSHistoryView::resizeEvent(QResizeEvent *event) {
    MLPageView::resizeEvent(event);
    m_notDataView->setGeometry(rect());
}

void MLTSHistoryView::refreshData() {
    getData();
}

void MLTSHistoryView::getData() {
    m_dataList = MLDBManager::getSharedInstance().findData().value_or(QList<HistoricalRecordModel>{});
    m_notDataView->setHidden(!m_dataList.isEmpty());
    if (!m_notDataView->isHidden())
        m_notDataView->raise();
    reloadData();
}

void MLTSHistoryView::reloadData() {
    m_rowViews.clear();
    QList<QWidget *> rows;
    for (const HistoricalRecordModel &model : std::as_const(m_dataList)) {
        auto *row = new NSSubtitleExportCellView;
        row->setModel(model);
        m_rowViews.append(row);
        rows.append(row);
    }
    m_scrollView->setRows(rows, QList<int>(rows.size(), kRowHeight));
}
