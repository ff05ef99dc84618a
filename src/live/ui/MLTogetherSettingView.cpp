#include "live/ui/MLTogetherSettingView.h"

#include "live/ui/MLRegionSettingCellView.h"
#include "live/ui/MLSoundSettingCellView.h"
#include "live/ui/NSTranslationSetupColorCellView.h"
#include "live/ui/NSTranslationSetupFontCellView.h"

#include <QVBoxLayout>

namespace {
constexpr int kShortRow = 100;
constexpr int kTallRow = 120;
} // namespace

MLTogetherSettingView::MLTogetherSettingView(QWidget *parent)
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
    // Rows are loaded on the first show or refresh, not here: the settings window switches to window mode
    // right after making the view, and must never make (and fetch for) a region row.
}

void MLTogetherSettingView::setIsSetting(bool isSetting) {
    m_isSetting = isSetting;
    reloadData();
}

void MLTogetherSettingView::refreshData() {
    reloadData();
}

void MLTogetherSettingView::showEvent(QShowEvent *event) {
    MLPageView::showEvent(event);
    if (!m_loaded)
        reloadData();
}

int MLTogetherSettingView::numberOfRowsInTableView() const {
    return m_isSetting ? 3 : 4;
}

int MLTogetherSettingView::heightOfRow(int row) const {
    if (row == 0)
        return kShortRow;
    if (row == 1 && !m_isSetting)
        return kShortRow;
    return kTallRow;
}

QWidget *MLTogetherSettingView::viewForRow(int row) const {
    if (row < 0 || row >= numberOfRowsInTableView())
        return nullptr;
    switch (row) {
    case 0:
        return new MLSoundSettingCellView;
    case 1:
        if (m_isSetting)
            return new NSTranslationSetupFontCellView;
        return new MLRegionSettingCellView;
    case 2:
        if (m_isSetting)
            return new NSTranslationSetupColorCellView;
        return new NSTranslationSetupFontCellView;
    default:
        return new NSTranslationSetupColorCellView;
    }
}

void MLTogetherSettingView::reloadData() {
    m_loaded = true;
    auto *layout = static_cast<QVBoxLayout *>(m_tableView->layout());
    // A reload may come from inside a row's own handler; the old rows go once control is back.
    for (QWidget *row : std::as_const(m_rowViews)) {
        layout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_rowViews.clear();
    for (int i = 0; i < numberOfRowsInTableView(); ++i) {
        QWidget *row = viewForRow(i);
        row->setFixedHeight(heightOfRow(i));
        layout->insertWidget(i, row);
        m_rowViews.append(row);
    }
}
