#pragma once

#include <QWidget>

class QLabel;

// The row of the two statements: what (top left), amount (top right), time (bottom left) and a status
// or duration (bottom right) on white, with a light line along the bottom.
class MLStatementCellView : public QWidget {
    Q_OBJECT
public:
    QWidget *line_bottom() const { return m_line_bottom; }
    QLabel *operationLabel() const { return m_operationLabel; }
    QLabel *timeLabel() const { return m_timeLabel; }
    QLabel *startTimeLabel() const { return m_startTimeLabel; }
    QLabel *consumptionLabel() const { return m_consumptionLabel; }

protected:
    explicit MLStatementCellView(const QString &timeText, QWidget *parent = nullptr);

    // Fills the four labels.
    void setTexts(const QString &operation, const QString &consumption, const QString &startTime,
                  const QString &time);
    void setTexts(const QString &operation, const QString &consumption, const QString &startTime);

private:
    void setUI(const QString &timeText);
    void layoutUI();

    QWidget *m_line_bottom = nullptr;
    QLabel *m_operationLabel = nullptr;
    QLabel *m_timeLabel = nullptr;
    QLabel *m_startTimeLabel = nullptr;
    QLabel *m_consumptionLabel = nullptr;
};
