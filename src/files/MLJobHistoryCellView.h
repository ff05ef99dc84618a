#pragma once

#include <QWidget>

class QLabel;

// One row of a job history: the file name, the cost, the status text and, for a finished job, the
// "下载" link, in the columns of the history's heads. The document and the audio rows are this row with
// their own model and download.
class MLJobHistoryCellView : public QWidget {
    Q_OBJECT
public:
    QWidget *line_bottom() const { return m_lineBottom; }
    QLabel *operationLabel() const { return m_operationLabel; }
    QLabel *startTimeLabel() const { return m_startTimeLabel; }
    QLabel *timeLabel() const { return m_timeLabel; }
    QLabel *consumptionLabel() const { return m_consumptionLabel; }

    // The click on "下载".
    virtual void downloadClick() = 0;

    static constexpr int kRowHeight = 50;
    static constexpr int kFileNameWidth = 150;
    static constexpr int kFileNameLines = 2;

protected:
    explicit MLJobHistoryCellView(QWidget *parent = nullptr);

    // Shows a job; the link only when `downloadable`.
    void showRow(const QString &fileName, const QString &priceText, const QString &statusText,
                 bool downloadable);

    void resizeEvent(QResizeEvent *event) override;

private:
    void setUI();
    void layoutUI();
    void showFileName();

    QWidget *m_lineBottom = nullptr;
    QLabel *m_operationLabel = nullptr;
    QLabel *m_startTimeLabel = nullptr;
    QLabel *m_timeLabel = nullptr;
    QLabel *m_consumptionLabel = nullptr;
    QString m_fileName;
};
