#pragma once

#include "ui/widgets/MLPageView.h"
#include "ui/widgets/MLRowsScrollView.h"

#include <QList>
#include <QScrollArea>
#include <QWidget>

// The live settings: the settings page of the live section (panel mode: sound, region, font size, colours)
// and the content of the settings window (window mode, `isSetting`: sound, font size, colours). Every load
// makes new row views, so each shows the stored choices afresh.
class MLTogetherSettingView final : public MLPageView {
    Q_OBJECT
public:
    explicit MLTogetherSettingView(QWidget *parent = nullptr);

    bool isSetting() const { return m_isSetting; }
    // Stores the mode and reloads the rows.
    void setIsSetting(bool isSetting);

    // Reloads the rows.
    void refreshData() override;
    void reloadData();

    int numberOfRowsInTableView() const;
    int heightOfRow(int row) const;
    // A new row view for `row`; nullptr outside the table.
    QWidget *viewForRow(int row) const;

    QScrollArea *scrollView() const { return m_scrollView; }
    // The row views shown, in order.
    const QList<QWidget *> &rowViews() const { return m_rowViews; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    MLRowsScrollView *m_scrollView = nullptr;
    QWidget *m_tableView = nullptr;
    QList<QWidget *> m_rowViews;
    bool m_isSetting = false;
    bool m_loaded = false;
};
