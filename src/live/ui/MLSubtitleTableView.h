#pragma once

#include "live/engine/MLCaptionLines.h"

#include <QStringList>
#include <QTableView>

class QTimer;

class MLMicrosoftCellView;
class MLSubtitleListModel;

// The one-column subtitle table of the live pages and of the floating window: dark-friendly (no
// background, no grid, no header, no selection, no focus), one row per caption line, drawn by
// MLMicrosoftCellView.
//
// Row heights live in the vertical header and are set only for rows that the model announces as
// new or changed, from the cell view's height cache (keyed by text, for the current font and text
// width). The look (font, colours) is read from the user defaults on every caption list and every
// reload, and a new font or width re-measures every row: the rows in view at once (the bottom ones
// when the table is scrolled to its end, as it is while a session runs), the others in short slices
// from the event loop, the bottom line kept in view (or else the top row in view kept in place). The
// outcome is the same as reloading and measuring every row on every callback, at the cost of the
// changed rows only: a callback at 5,000 lines costs what one at 100 lines costs, and a resize costs
// the rows in view (bench/bench_subtitles).
class MLSubtitleTableView final : public QTableView {
    Q_OBJECT
public:
    explicit MLSubtitleTableView(QWidget *parent = nullptr);

    // Takes the engine's caption list (an implicitly shared copy) and scrolls to the bottom.
    void setListData(const MLCaptionLines &list);
    QStringList strList() const;

    // Reads the subtitle look again and redraws and re-measures every row (new size, colour or width).
    void reloadData();

    // The opaque colour of the page the table is shown on, which its rows are drawn onto so that they
    // carry the ink of text drawn straight onto the page; transparent (the default) on a translucent
    // window.
    void setRowBackground(const QColor &colour);

    MLSubtitleListModel *subtitleModel() const { return m_model; }
    // Rows still to be measured again after a change of width or font.
    int staleRowCount() const { return m_staleCount; }
    MLMicrosoftCellView *cellView() const { return m_cellView; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateTextWidth();
    void measureRows(int first, int last);
    void forgetRows(int first, int last);
    void measureAllRows();
    // Every row stale: the rows in view measured now, the rest by measureStaleSlice.
    void remeasureAllRows();
    void measureStaleSlice();
    bool measureRow(int row);

    MLSubtitleListModel *m_model = nullptr;
    MLMicrosoftCellView *m_cellView = nullptr;
    // Per row: still measured for an earlier width or font.
    QList<bool> m_stale;
    int m_staleCount = 0;
    // Where the slices go on: stale rows are looked for from here down to row 0.
    int m_staleCursor = -1;
    QTimer *m_staleTimer = nullptr;
    // While a new list is taken: the one before it, whose texts the changed rows no longer show.
    MLCaptionLines m_previous;
};
