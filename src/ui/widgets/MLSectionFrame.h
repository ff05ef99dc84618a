#pragma once

#include "ui/widgets/MLPageView.h"

#include <QHash>
#include <QList>

#include <functional>

class MLSectionToolBar;

// A section frame: its tab bar on the left, 149 wide, and a white pane on the right that shows the
// page of the chosen tab. Pages are made on first use and kept for the frame's life; switching tabs
// takes the page out of the pane without destroying it.
class MLSectionFrame : public MLPageView {
    Q_OBJECT
public:
    using PageFactory = std::function<MLPageView *()>;

    struct Options {
        // The frame remembers the chosen tab and forwards refreshData to its page.
        bool tracksSelectedIndex = true;
        // Showing a page in the pane calls its refreshData.
        bool refreshOnShow = true;
        // refreshData goes to this tab's page whatever is chosen, making it first if needed (0: off).
        qint64 alwaysRefreshTab = 0;
    };

    // `pages[i]` makes the page of tab i + 1; a null factory, or one returning null, leaves the
    // pane empty for that tab.
    MLSectionFrame(MLSectionToolBar *toolBar, QList<PageFactory> pages, Options options,
                   QWidget *parent = nullptr);
    MLSectionFrame(MLSectionToolBar *toolBar, QList<PageFactory> pages, QWidget *parent = nullptr)
        : MLSectionFrame(toolBar, std::move(pages), Options{}, parent) {}

    MLSectionToolBar *leftView() const { return m_leftView; }
    QWidget *rightView() const { return m_rightView; }
    qint64 seletedIndex() const { return m_seletedIndex; }
    void setSeletedIndex(qint64 index) { m_seletedIndex = index; }

    // Takes the page in view out of the pane and shows the page of `index` (none for an unknown index).
    void setRightViewForIndex(qint64 index);
    void refreshData() override;
    // Takes the page in view out of the pane and shows `page` there instead, without refreshing it.
    // The frame owns it until another page replaces it, then deletes it.
    void showTransientPage(MLPageView *page);

    // The page of tab `index`, made on first use; null for an unknown index.
    MLPageView *page(qint64 index);
    // The page of tab `index` if it has been made.
    MLPageView *existingPage(qint64 index) const { return m_pages.value(index); }
    MLPageView *pageInView() const { return m_pageInView; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void takePageOutOfPane();
    void putPageInPane(MLPageView *page);

private:
    void layoutUI();

    MLSectionToolBar *m_leftView;
    QWidget *m_rightView;
    QList<PageFactory> m_factories;
    Options m_options;
    qint64 m_seletedIndex = 0;
    QHash<qint64, MLPageView *> m_pages;
    MLPageView *m_pageInView = nullptr;
    bool m_pageInViewIsTransient = false;
};
