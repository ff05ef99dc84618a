#pragma once

#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

// The font-size row of the settings ("字体大小"): one button per size, "小", "中", "大". Building the
// row marks the stored size and stores it again ("小" when none or an unknown one was stored), which
// announces it once; choosing another size stores it and posts MLNotificationNames::kChangeFontSize.
class NSTranslationSetupFontCellView final : public QWidget {
    Q_OBJECT
public:
    explicit NSTranslationSetupFontCellView(QWidget *parent = nullptr);

    QLabel *titleLabel() const { return m_titleLabel; }
    QWidget *line() const { return m_line; }
    QWidget *contentRadioView() const { return m_contentRadioView; }
    const QStringList &dataList() const { return m_dataList; }
    const QList<QPushButton *> &seletedBtnList() const { return m_seletedBtnList; }
    QPushButton *seletedBtn() const { return m_seletedBtn; }

    // Makes one size button per text, in order, then marks the stored size.
    void setDataList(const QStringList &dataList);
    void defaultSelectionButton();
    // Chooses the size of `button` (the action of every size button).
    void updateButtonStatus(QPushButton *button);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void creatUI();
    void layoutUI();
    void bindAction();
    static void setButtonChosen(QPushButton *button, bool chosen);

    QLabel *m_titleLabel = nullptr;
    QWidget *m_line = nullptr;
    QWidget *m_contentRadioView = nullptr;
    QStringList m_dataList;
    QList<QPushButton *> m_seletedBtnList;
    QPushButton *m_seletedBtn = nullptr;
};
