#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

// A colour swatch of the settings: the colour's image, 45 by 45 in the middle, and a check mark at the
// bottom-right corner that shows while the swatch is the chosen one.
class NSTranslationSetupColorSonSmallView final : public QWidget {
    Q_OBJECT
public:
    explicit NSTranslationSetupColorSonSmallView(QWidget *parent = nullptr);

    QLabel *bgImageView() const { return m_bgImageView; }
    QLabel *seletedImageView() const { return m_seletedImageView; }

    // Shows the image of that asset name in `bgImageView`.
    void setImageName(const QString &assetName);
    QString imageName() const { return m_imageName; }

    // Shows or hides the check mark.
    void setSeleted(bool seleted);
    bool isSeleted() const { return !m_seletedImageView->isHidden(); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutUI();

    QLabel *m_bgImageView = nullptr;
    QLabel *m_seletedImageView = nullptr;
    QString m_imageName;
};
