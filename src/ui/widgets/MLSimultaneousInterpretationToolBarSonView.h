#pragma once

#include <QString>
#include <QWidget>

class QLabel;

// The tab item of the section tab bars: an icon and a title. It draws no background of its own and
// takes no clicks; the tab bar colours it and attaches the click recogniser.
class MLSimultaneousInterpretationToolBarSonView final : public QWidget {
    Q_OBJECT
public:
    explicit MLSimultaneousInterpretationToolBarSonView(QWidget *parent = nullptr);

    // Keeps the asset name, shows that image (none when there is no such image) and the title.
    void setImageStr(const QString &imageStr, const QString &title);
    // Shows the image again; the title turns "#0089FF" when selected, "#4E4E4E" when not.
    void setSeleted(bool seleted);

    QString imageStr() const { return m_imageStr; }
    QLabel *iconImage() const { return m_iconImage; }
    QLabel *tipLabel() const { return m_tipLabel; }

private:
    void creatUI();
    void layoutUI();
    void showImage();
    void setTitleColor(const QColor &color);

    QString m_imageStr;
    QLabel *m_iconImage = nullptr;
    QLabel *m_tipLabel = nullptr;
};
