#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class MLSimultaneousInterpretationToolBarSonView;

// One tab of a section's tab bar.
struct MLSectionTab {
    QString imageStr;
    QString title;
    bool needsUser = true; // the click handler makes the sign-in test
};

// The tab bar of a section frame: 149 wide, a 1-point separator on its right edge, tab items the
// bar's full width and 40 high from 15 below its top, each directly below the one before. It chooses
// its first tab by itself 0.1 s after it is built. Section bars are small declarations on top of it.
class MLSectionToolBar : public QWidget {
    Q_OBJECT
public:
    enum class FirstChoice {
        ThroughClickHandler, // the first tab's click handler runs, sign-in test included
        Direct,              // didClick with the first item at once, no sign-in test
    };

    static constexpr int kWidth = 149;
    static constexpr int kItemTop = 15;
    static constexpr int kItemHeight = 40;
    static constexpr int kFirstChoiceDelayMs = 100;

    MLSectionToolBar(const QList<MLSectionTab> &tabs, FirstChoice firstChoice, QWidget *parent = nullptr);

    void setDidIndexBlock(std::function<void(qint64)> block) { m_didIndexBlock = std::move(block); }
    const std::function<void(qint64)> &didIndexBlock() const { return m_didIndexBlock; }

    // The click handler of tab `index` (1-based): the sign-in test when the tab needs a user (no
    // stored user posts MLNotificationNames::kUserLogout and changes nothing), then didClick.
    void clickTab(qint64 index);
    // Changes the selection to `item`; a click on the selected item does nothing.
    void didClick(MLSimultaneousInterpretationToolBarSonView *item, qint64 index);
    // Moves the highlight to tab `index` without telling the frame.
    void highlight(qint64 index);
    // Runs the click handler of `index` whenever `notification` is posted, for the bar's whole life.
    void observe(const QString &notification, qint64 index);

    MLSimultaneousInterpretationToolBarSonView *item(qint64 index) const;
    MLSimultaneousInterpretationToolBarSonView *seletedView() const { return m_seletedView; }
    QWidget *line() const { return m_line; }
    qint64 count() const { return m_items.size(); }

protected:
    // Lays out the separator and the items; subclasses that add views extend it.
    virtual void layoutUI();
    void resizeEvent(QResizeEvent *event) override;

private:
    void select(MLSimultaneousInterpretationToolBarSonView *item);

    QList<MLSectionTab> m_tabs;
    std::function<void(qint64)> m_didIndexBlock;
    QWidget *m_line = nullptr;
    QList<MLSimultaneousInterpretationToolBarSonView *> m_items;
    MLSimultaneousInterpretationToolBarSonView *m_seletedView = nullptr;
};
