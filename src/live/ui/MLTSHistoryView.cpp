#include "live/ui/MLTSHistoryView.h"

#include "live/engine/MLDBManager.h"
#include "live/ui/NSSubtitleExportCellView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "ui/widgets/NSNotDataView.h"

#include <QVBoxLayout>

MLTSHistoryView::MLTSHistoryView(QWidget *parent)
    : MLPageView(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_scrollView = new QScrollArea(this);
    m_scrollView->setFrameShape(QFrame::NoFrame);
    m_scrollView->setWidgetResizable(true);
    m_scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tableView = new QWidget;
    auto *rows = new QVBoxLayout(m_tableView);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addStretch(1);
    m_scrollView->setWidget(m_tableView);
    layout->addWidget(m_scrollView);
    for (QWidget *surface : {m_scrollView->viewport(), m_tableView}) {
        QPalette palette = surface->palette();
        palette.setColor(QPalette::Window, Qt::white);
        surface->setPalette(palette);
        surface->setAutoFillBackground(true);
    }

    m_notDataView = new NSNotDataView(this);
    m_notDataView->setHidden(true);

    MLNotificationCenter::defaultCenter().addObserver(this,
                                                      QStringLiteral("NotificationChangeDeleteNoticeKey"),
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
    auto *layout = static_cast<QVBoxLayout *>(m_tableView->layout());
    // The reload after a deletion runs inside the deleted row's own handler; old rows go once control is back
    // in the event loop.
    for (NSSubtitleExportCellView *row : std::as_const(m_rowViews)) {
        layout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_rowViews.clear();
    for (qsizetype i = 0; i < m_dataList.size(); ++i) {
        auto *row = new NSSubtitleExportCellView;
        row->setModel(m_dataList.at(i));
        row->setFixedHeight(kRowHeight);
        layout->insertWidget(int(i), row);
        m_rowViews.append(row);
    }
}
