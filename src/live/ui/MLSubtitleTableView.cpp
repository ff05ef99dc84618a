#include "live/ui/MLSubtitleTableView.h"

#include "live/ui/MLMicrosoftCellView.h"
#include "live/ui/MLSubtitleListModel.h"
#include "ui/widgets/MLScrollBar.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

namespace {
// One slice of the re-measurement after a resize stays well within a frame.
constexpr qint64 kSliceNanos = 3'000'000;
} // namespace

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
    setVerticalScrollBar(new MLScrollBar(Qt::Vertical, this));
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
            [this](const QModelIndex &, int first, int last) {
                forgetRows(first, last);
                for (int row = first; row <= last && row < m_stale.size(); ++row)
                    m_staleCount -= m_stale.at(row) ? 1 : 0;
                if (first < m_stale.size())
                    m_stale.remove(first, qMin(last, int(m_stale.size()) - 1) - first + 1);
                m_staleCursor = qMin(m_staleCursor, int(m_stale.size()) - 1);
            });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { measureAllRows(); });

    m_staleTimer = new QTimer(this);
    m_staleTimer->setInterval(0);
    connect(m_staleTimer, &QTimer::timeout, this, [this] { measureStaleSlice(); });

    m_cellView->readLook();
    updateTextWidth();
}

QStringList MLSubtitleTableView::strList() const {
    return m_model->strList();
}

void MLSubtitleTableView::setListData(const MLCaptionLines &list) {
    // A changed font makes every row's height stale; colours only need the repaint below.
    const QFont previousFont = m_cellView->font();
    const bool lookChanged = m_cellView->readLook();
    // Every partial result is a text of its own; the heights of the texts replaced go, so the cache
    // grows with the captions kept and not with every result.
    m_previous = m_model->lines();
    m_model->setListData(list);
    m_previous = MLCaptionLines();
    if (m_cellView->font() != previousFont)
        remeasureAllRows();
    // New or changed rows repaint themselves; colours changed repaint everything.
    if (lookChanged)
        viewport()->update();
    scrollToBottom();
}

void MLSubtitleTableView::reloadData() {
    m_cellView->readLook();
    updateTextWidth();
    remeasureAllRows();
    viewport()->update();
}

void MLSubtitleTableView::setRowBackground(const QColor &colour) {
    m_cellView->setRowBackground(colour);
    viewport()->update();
}

void MLSubtitleTableView::resizeEvent(QResizeEvent *event) {
    QTableView::resizeEvent(event);
    const int previous = m_cellView->textWidth();
    updateTextWidth();
    if (m_cellView->textWidth() != previous)
        remeasureAllRows();
}

void MLSubtitleTableView::updateTextWidth() {
    // Rows are measured at the width their text is drawn in (not the whole page's width, which is
    // wider than the rows), so a wrapped caption is never cut off at the bottom. The scroll bar's
    // room is always kept free, so text wraps the same with and without it and its appearance never
    // changes the heights.
    const int scrollBarRoom = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_cellView->setTextWidth(width() - 2 * frameWidth() - scrollBarRoom - 2 * MLMicrosoftCellView::kInset);
    // Room for the images of the finished rows of about two pages.
    const qreal ratio = devicePixelRatioF();
    m_cellView->setImageBudget(qsizetype(2 * 4 * ratio * ratio * width() * height()));
}

bool MLSubtitleTableView::measureRow(int row) {
    if (row < m_stale.size() && m_stale.at(row)) {
        m_stale[row] = false;
        --m_staleCount;
    }
    QHeaderView *rows = verticalHeader();
    const int height = m_cellView->rowHeight(m_model->lines().at(row));
    if (rows->sectionSize(row) == height)
        return false;
    rows->resizeSection(row, height);
    return true;
}

void MLSubtitleTableView::measureRows(int first, int last) {
    QHeaderView *rows = verticalHeader();
    const int count = int(m_model->lines().size());
    if (m_stale.size() < count)
        m_stale.resize(count, false);
    last = qMin(last, count - 1);
    // Without updates the header skips its per-section repositioning, which would make a bulk
    // update quadratic.
    const bool bulk = last - first > 8;
    if (bulk)
        rows->setUpdatesEnabled(false);
    for (int row = first; row <= last; ++row) {
        if (row < m_previous.size() && m_previous.at(row) != m_model->lines().at(row))
            m_cellView->forgetRow(m_previous.at(row));
        measureRow(row);
    }
    if (bulk)
        rows->setUpdatesEnabled(true);
}

void MLSubtitleTableView::forgetRows(int first, int last) {
    for (int row = first; row <= qMin(last, int(m_previous.size()) - 1); ++row)
        m_cellView->forgetRow(m_previous.at(row));
}

void MLSubtitleTableView::measureAllRows() {
    measureRows(0, int(m_model->lines().size()) - 1);
}

void MLSubtitleTableView::remeasureAllRows() {
    const int count = int(m_model->lines().size());
    QScrollBar *bar = verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    m_stale = QList<bool>(count, true);
    m_staleCount = count;
    m_staleCursor = count - 1;
    if (count == 0)
        return;
    // The rows in view first: up from the last row when the bottom is shown, else down from the
    // top row in view, until the view is full.
    const int room = viewport()->height();
    int filled = 0;
    if (atBottom) {
        for (int row = count - 1; row >= 0 && filled < room; --row) {
            measureRow(row);
            filled += rowHeight(row);
        }
        updateGeometries();
        scrollToBottom();
    } else {
        const int top = qMax(0, rowAt(0));
        for (int row = top; row < count && filled < room + rowHeight(top); ++row) {
            measureRow(row);
            filled += rowHeight(row);
        }
    }
    if (m_staleCount > 0)
        m_staleTimer->start();
}

void MLSubtitleTableView::measureStaleSlice() {
    // Rows measured since the last layout have not reached the scroll bar's range yet: bring it up
    // to date, or the bottom would be read (and kept) where it was.
    updateGeometries();
    QScrollBar *bar = verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    // Off the bottom, the top row in view stays where it is while rows above it change height.
    const int anchorRow = atBottom ? -1 : rowAt(0);
    const int anchorOffset = anchorRow >= 0 ? rowViewportPosition(anchorRow) : 0;

    QHeaderView *rows = verticalHeader();
    rows->setUpdatesEnabled(false);
    QElapsedTimer clock;
    clock.start();
    while (m_staleCount > 0 && m_staleCursor >= 0 && clock.nsecsElapsed() < kSliceNanos) {
        const int row = m_staleCursor--;
        if (row < m_stale.size() && m_stale.at(row))
            measureRow(row);
    }
    rows->setUpdatesEnabled(true);
    if (m_staleCount <= 0 || m_staleCursor < 0) {
        m_staleTimer->stop();
        m_staleCount = 0;
        m_stale.fill(false);
    }
    updateGeometries();
    if (atBottom)
        scrollToBottom();
    else if (anchorRow >= 0)
        bar->setValue(bar->value() + rowViewportPosition(anchorRow) - anchorOffset);
}
