#pragma once

#include "live/ui/MLRegionModel.h"

#include <QComboBox>
#include <QList>
#include <QWidget>

// The speech-region picker: a combo box of the regions the service offers. Given its list it preselects the
// account's region (or the default region for an account without one) without telling the service; every
// other pick is reported to the service at once ("/meInfo/updateRegionCode").
class NSRegionComboBoxView final : public QWidget {
    Q_OBJECT
public:
    explicit NSRegionComboBoxView(QWidget *parent = nullptr);

    QComboBox *comboBoxView() const { return m_comboBoxView; }
    // The row last taken as chosen.
    int seletedIndex() const { return m_seletedIndex; }
    const QList<MLRegionModel> &dataList() const { return m_dataList; }

    // Stores the list, preselects and reloads the rows. Sends nothing.
    void setDataList(const QList<MLRegionModel> &dataList);
    // Reports the region at `index` to the service; on success it becomes the account's region.
    void seletedForIndex(int index);

private:
    void setUI();
    void layoutUI();
    // The combo box's selected row changed (by the user or in code).
    void comboBoxSelectionDidChange();

    QComboBox *m_comboBoxView = nullptr;
    int m_seletedIndex = 0;
    QList<MLRegionModel> m_dataList;
};
