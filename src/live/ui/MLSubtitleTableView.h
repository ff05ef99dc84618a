#pragma once

#include <QStringList>
#include <QTableView>

class MLMicrosoftCellView;
class MLSubtitleListModel;

// The one-column subtitle table of the live pages and of the floating window: dark-friendly (no
// background, no grid, no header, no selection, no focus), one row per caption line, drawn by
// MLMicrosoftCellView.
//
// Row heights live in the vertical header and are set only for rows that the model announces as
// new or changed, from the cell view's height cache (keyed by text, for the current font and text
// width; a text that a row stops showing leaves it, so it holds the rows' texts and no more). The look (font,
// colours) is read from the user defaults on every caption list and every reload, and a new font or width
// re-measures every row. The outcome is the same as reloading and measuring every row on every callback, at
// the cost of the changed rows only: a callback at 5,000 lines costs what one at 100 lines costs
// (bench/bench_subtitles).
class MLSubtitleTableView final : public QTableView {
    Q_OBJECT
public:
    explicit MLSubtitleTableView(QWidget *parent = nullptr);

    // Takes the engine's caption list (an implicitly shared copy) and scrolls to the bottom.
    void setListData(const QStringList &list);
    const QStringList &strList() const;

    // Reads the subtitle look again and redraws and re-measures every row (new size, colour or width).
    void reloadData();

    MLSubtitleListModel *subtitleModel() const { return m_model; }
    MLMicrosoftCellView *cellView() const { return m_cellView; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateTextWidth();
    void measureRows(int first, int last);
    void forgetRows(int first, int last);
    void measureAllRows();

    MLSubtitleListModel *m_model = nullptr;
    MLMicrosoftCellView *m_cellView = nullptr;
    // While a new list is taken: the one before it, whose texts the changed rows no longer show.
    QStringList m_previous;
};
