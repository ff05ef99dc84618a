#include "ui/widgets/MLSectionFrame.h"

#include "ui/widgets/MLSectionToolBar.h"

#include <QVBoxLayout>

MLSectionFrame::MLSectionFrame(MLSectionToolBar *toolBar, QList<PageFactory> pages, Options options,
                               QWidget *parent)
    : MLPageView(parent)
    , m_leftView(toolBar)
    , m_rightView(new QWidget)
    , m_factories(std::move(pages))
    , m_options(options) {
    // creatUI: the tab bar, then the pane.
    m_leftView->setParent(this);
    m_rightView->setParent(this);
    m_rightView->setAutoFillBackground(true);
    QPalette palette = m_rightView->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_rightView->setPalette(palette);
    auto *paneLayout = new QVBoxLayout(m_rightView);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->setSpacing(0);
    layoutUI();

    // bindAction: the bar's choice reaches the frame only while the frame exists (the bar is the
    // frame's child, so it cannot outlive it).
    m_leftView->setDidIndexBlock([this](qint64 index) {
        if (m_options.tracksSelectedIndex)
            setSeletedIndex(index);
        setRightViewForIndex(index);
    });
}

MLPageView *MLSectionFrame::page(qint64 index) {
    if (index < 1 || index > m_factories.size())
        return nullptr;
    if (MLPageView *existing = m_pages.value(index))
        return existing;
    const PageFactory &factory = m_factories[index - 1];
    MLPageView *made = factory ? factory() : nullptr;
    if (made) {
        made->setParent(this);
        made->hide();
        m_pages.insert(index, made);
    }
    return made;
}

void MLSectionFrame::takePageOutOfPane() {
    if (!m_pageInView)
        return;
    m_rightView->layout()->removeWidget(m_pageInView);
    m_pageInView->hide();
    if (m_pageInViewIsTransient)
        m_pageInView->deleteLater();
    else
        m_pageInView->setParent(this);
    m_pageInView = nullptr;
    m_pageInViewIsTransient = false;
}

void MLSectionFrame::putPageInPane(MLPageView *page) {
    page->setParent(m_rightView);
    m_rightView->layout()->addWidget(page);
    page->show();
    m_pageInView = page;
}

void MLSectionFrame::setRightViewForIndex(qint64 index) {
    takePageOutOfPane();
    MLPageView *next = page(index);
    if (!next)
        return;
    putPageInPane(next);
    if (m_options.refreshOnShow)
        next->refreshData();
}

void MLSectionFrame::showTransientPage(MLPageView *page) {
    takePageOutOfPane();
    if (!page)
        return;
    putPageInPane(page);
    m_pageInViewIsTransient = true;
}

void MLSectionFrame::refreshData() {
    if (m_options.alwaysRefreshTab > 0) {
        if (MLPageView *target = page(m_options.alwaysRefreshTab))
            target->refreshData();
        return;
    }
    if (MLPageView *target = existingPage(m_seletedIndex))
        target->refreshData();
}

void MLSectionFrame::resizeEvent(QResizeEvent *event) {
    MLPageView::resizeEvent(event);
    layoutUI();
}

void MLSectionFrame::layoutUI() {
    m_leftView->setGeometry(0, 0, MLSectionToolBar::kWidth, height());
    m_rightView->setGeometry(MLSectionToolBar::kWidth, 0, qMax(0, width() - MLSectionToolBar::kWidth),
                             height());
}
