#include "live/ui/MLTogetherSettingView.h"

#include "live/ui/MLRegionSettingCellView.h"
#include "live/ui/MLSoundSettingCellView.h"
#include "live/ui/NSTranslationSetupColorCellView.h"
#include "live/ui/NSTranslationSetupFontCellView.h"

#include "ui/widgets/MLRowsScrollView.h"

namespace {
constexpr int kShortRow = 100;
constexpr int kTallRow = 120;
} // namespace

MLTogetherSettingView::MLTogetherSettingView(QWidget *parent)
    : MLPageView(parent) {
    m_scrollView = MLRowsScrollView::filling(this);
    m_tableView = m_scrollView->tableView();
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
    // A section shows its page and refreshes it right after: the rows are built by that refresh, and by
    // the show only when nothing has built them by the next turn of the event loop.
    if (!m_loaded)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_loaded)
                    reloadData();
            },
            Qt::QueuedConnection);
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
    m_rowViews.clear();
    QList<int> heights;
    for (int i = 0; i < numberOfRowsInTableView(); ++i) {
        m_rowViews.append(viewForRow(i));
        heights.append(heightOfRow(i));
    }
    m_scrollView->setRows(m_rowViews, heights);
}
