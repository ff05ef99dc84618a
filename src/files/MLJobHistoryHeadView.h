#pragma once

#include <QWidget>

class QLabel;

// The column heads of a job history: "文件名", the cost column, "状态信息" and "操作".
class MLJobHistoryHeadView : public QWidget {
    Q_OBJECT
public:
    QWidget *line_top() const { return m_lineTop; }
    QWidget *line_bottom() const { return m_lineBottom; }
    QLabel *operationLabel() const { return m_operationLabel; }
    QLabel *startTimeLabel() const { return m_startTimeLabel; }
    QLabel *timeLabel() const { return m_timeLabel; }
    QLabel *consumptionLabel() const { return m_consumptionLabel; }

protected:
    explicit MLJobHistoryHeadView(const QString &costTitle, QWidget *parent = nullptr);

private:
    void setUI(const QString &costTitle);
    void layoutUI();

    QWidget *m_lineTop = nullptr;
    QWidget *m_lineBottom = nullptr;
    QLabel *m_operationLabel = nullptr;
    QLabel *m_startTimeLabel = nullptr;
    QLabel *m_timeLabel = nullptr;
    QLabel *m_consumptionLabel = nullptr;
};
