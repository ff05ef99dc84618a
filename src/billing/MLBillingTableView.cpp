#include "billing/MLBillingTableView.h"

#include <numeric>

MLBillingTableView::MLBillingTableView(QWidget *parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void MLBillingTableView::reloadData() {
    // Rows go at the next turn of the event loop: a reload may run inside a click on one of them.
    for (QWidget *row : std::as_const(m_rows)) {
        if (row) {
            row->hide();
            row->deleteLater();
        }
    }
    m_rows.clear();
    m_heights.clear();
    const int count = m_numberOfRows ? qMax(0, m_numberOfRows()) : 0;
    for (int row = 0; row < count; ++row) {
        m_heights.append(qMax(0, m_heightOfRow ? m_heightOfRow(row) : m_rowHeight));
        QWidget *view = m_viewForRow ? m_viewForRow(row) : nullptr;
        if (view) {
            view->setParent(this);
            view->show();
        }
        m_rows.append(view);
    }
    setFixedHeight(sizeHint().height());
    layoutRows();
    updateGeometry();
}

QWidget *MLBillingTableView::viewAtRow(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows[row] : nullptr;
}

QRect MLBillingTableView::rectOfRow(int row) const {
    if (row < 0 || row >= m_heights.size())
        return {};
    const int top = std::accumulate(m_heights.cbegin(), m_heights.cbegin() + row, 0);
    return QRect(0, top, width(), m_heights[row]);
}

QSize MLBillingTableView::sizeHint() const {
    return QSize(0, std::accumulate(m_heights.cbegin(), m_heights.cend(), 0));
}

void MLBillingTableView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutRows();
}

void MLBillingTableView::layoutRows() {
    int top = 0;
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row])
            m_rows[row]->setGeometry(0, top, width(), m_heights[row]);
        top += m_heights[row];
    }
}
