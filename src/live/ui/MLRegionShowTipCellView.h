#pragma once

#include "live/ui/MLRegionModel.h"

#include <QLabel>
#include <QWidget>

// One row of the region notes: the region's name and, below it, its note.
class MLRegionShowTipCellView final : public QWidget {
    Q_OBJECT
public:
    explicit MLRegionShowTipCellView(QWidget *parent = nullptr);

    QLabel *titleLabel() const { return m_titleLabel; }
    QLabel *descLabel() const { return m_descLabel; }
    QWidget *line_bottom() const { return m_line_bottom; }

    void setModel(const MLRegionModel &model);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setUI();
    void layoutUI();

    QLabel *m_titleLabel = nullptr;
    QLabel *m_descLabel = nullptr;
    QWidget *m_line_bottom = nullptr;
};
