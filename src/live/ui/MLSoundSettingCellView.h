#pragma once

#include <QLabel>
#include <QStringList>
#include <QWidget>

// The sound row of the settings ("声音设置"): one fixed choice, "麦克风声音", shown as chosen and without
// any action.
class MLSoundSettingCellView final : public QWidget {
    Q_OBJECT
public:
    explicit MLSoundSettingCellView(QWidget *parent = nullptr);

    QLabel *titleLabel() const { return m_titleLabel; }
    QWidget *contentRadioView() const { return m_contentRadioView; }
    QWidget *line() const { return m_line; }

    // Replaces the choice buttons by one per title, all at the same place.
    void setRadioList(const QStringList &titles);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void creatUI();
    void layoutUI();
    void bindAction();

    QLabel *m_titleLabel = nullptr;
    QWidget *m_contentRadioView = nullptr;
    QWidget *m_line = nullptr;
};
