#include "live/ui/MLSubtitleTableView.h"

#include "live/ui/MLMicrosoftCellView.h"
#include "live/ui/MLSubtitleListModel.h"

#include <QHeaderView>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>

MLSubtitleTableView::MLSubtitleTableView(QWidget *parent)
    : QTableView(parent)
    , m_model(new MLSubtitleListModel(this))
    , m_cellView(new MLMicrosoftCellView(this)) {
    setModel(m_model);
    setItemDelegate(m_cellView);
    setFrameShape(QFrame::NoFrame);
    setShowGrid(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral("QTableView { background: transparent; border: none; }"));

    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    QHeaderView *rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(40);
    rows->setSectionResizeMode(QHeaderView::Fixed);

    // Connected after the view's own handlers, so the header already has the new sections.
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { measureRows(first, last); });
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                measureRows(topLeft.row(), bottomRight.row());
            });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) { forgetRows(first, last); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { measureAllRows(); });

    m_cellView->readLook();
    updateTextWidth();
}

const QStringList &MLSubtitleTableView::strList() const {
    return m_model->strList();
}

void MLSubtitleTableView::setListData(const QStringList &list) {
    // A changed font makes every row's height stale; colours only need the repaint below.
    const QFont previousFont = m_cellView->font();
    m_cellView->readLook();
    // Every partial result is a text of its own; the heights of the texts replaced go, so the cache
    // grows with the captions kept and not with every result.
    m_previous = m_model->strList();
    m_model->setListData(list);
    m_previous = QStringList();
    if (m_cellView->font() != previousFont)
        measureAllRows();
    viewport()->update();
    scrollToBottom();
}

void MLSubtitleTableView::reloadData() {
    m_cellView->readLook();
    updateTextWidth();
    measureAllRows();
    viewport()->update();
}

void MLSubtitleTableView::resizeEvent(QResizeEvent *event) {
    QTableView::resizeEvent(event);
    const int previous = m_cellView->textWidth();
    updateTextWidth();
    if (m_cellView->textWidth() != previous)
        measureAllRows();
}

void MLSubtitleTableView::updateTextWidth() {
    // Rows are measured at the width their text is drawn in (not the whole page's width, which is
    // wider than the rows), so a wrapped caption is never cut off at the bottom. The scroll bar's
    // room is always kept free, so text wraps the same with and without it and its appearance never
    // changes the heights.
    const int scrollBarRoom = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_cellView->setTextWidth(width() - 2 * frameWidth() - scrollBarRoom - 2 * MLMicrosoftCellView::kInset);
}

void MLSubtitleTableView::measureRows(int first, int last) {
    QHeaderView *rows = verticalHeader();
    const QStringList &list = m_model->strList();
    last = qMin(last, int(list.size()) - 1);
    // Without updates the header skips its per-section repositioning, which would make a bulk
    // update quadratic.
    const bool bulk = last - first > 8;
    if (bulk)
        rows->setUpdatesEnabled(false);
    for (int row = first; row <= last; ++row) {
        if (row < m_previous.size() && m_previous.at(row) != list.at(row))
            m_cellView->forgetHeight(m_previous.at(row));
        rows->resizeSection(row, m_cellView->rowHeight(list.at(row)));
    }
    if (bulk)
        rows->setUpdatesEnabled(true);
}

void MLSubtitleTableView::forgetRows(int first, int last) {
    for (int row = first; row <= qMin(last, int(m_previous.size()) - 1); ++row)
        m_cellView->forgetHeight(m_previous.at(row));
}

void MLSubtitleTableView::measureAllRows() {
    measureRows(0, int(m_model->strList().size()) - 1);
}
