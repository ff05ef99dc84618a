#include "ui/widgets/MLRowsScrollView.h"

#include <QVBoxLayout>

MLRowsScrollView::MLRowsScrollView(QWidget *parent)
    : QScrollArea(parent)
    , m_tableView(new QWidget) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *rows = new QVBoxLayout(m_tableView);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addStretch(1);
    setWidget(m_tableView);
    for (QWidget *surface : {viewport(), m_tableView}) {
        QPalette palette = surface->palette();
        palette.setColor(QPalette::Window, Qt::white);
        surface->setPalette(palette);
        surface->setAutoFillBackground(true);
    }
}

MLRowsScrollView *MLRowsScrollView::filling(QWidget *page) {
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *column = new MLRowsScrollView(page);
    layout->addWidget(column);
    return column;
}

void MLRowsScrollView::setRows(const QList<QWidget *> &rows, const QList<int> &heights) {
    auto *layout = static_cast<QVBoxLayout *>(m_tableView->layout());
    for (const QPointer<QWidget> &row : std::as_const(m_rows)) {
        if (!row)
            continue;
        layout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (i < heights.size())
            rows[i]->setFixedHeight(heights[i]);
        layout->insertWidget(int(i), rows[i]);
        m_rows.append(rows[i]);
    }
}
