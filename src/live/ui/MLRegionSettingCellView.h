#pragma once

#include "live/ui/MLRegionModel.h"
#include "live/ui/NSRegionComboBoxView.h"

#include <QLabel>
#include <QList>
#include <QWidget>

// The region row of the settings panel ("区域设置"): fetches the speech regions the service offers when it is
// made, hands them to its picker and offers the region notes behind its "?" icon.
class MLRegionSettingCellView final : public QWidget {
    Q_OBJECT
public:
    explicit MLRegionSettingCellView(QWidget *parent = nullptr);

    QLabel *titleLabel() const { return m_titleLabel; }
    NSRegionComboBoxView *regionComboBoxView() const { return m_regionComboBoxView; }
    // The "?" icon; shown once a non-empty list has arrived.
    QLabel *regionQueryImageView() const { return m_regionQueryImageView; }
    QWidget *line() const { return m_line; }
    const QList<MLRegionModel> &dataList() const { return m_dataList; }

    // Opens the region notes of the list in a window of their own, run application-modally.
    void regionQueryClick();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void creatUI();
    void layoutUI();
    void bindAction();
    void requestRegionList();

    QLabel *m_titleLabel = nullptr;
    NSRegionComboBoxView *m_regionComboBoxView = nullptr;
    QLabel *m_regionQueryImageView = nullptr;
    QWidget *m_line = nullptr;
    QList<MLRegionModel> m_dataList;
};
