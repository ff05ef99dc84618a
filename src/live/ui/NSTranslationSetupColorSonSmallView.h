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

// The choice within a group of swatches stored under one subtitle-look key: one swatch is marked at a
// time, and choosing another stores its value and announces the change.
class MLSwatchChoice final {
public:
    MLSwatchChoice(const QString &key, const QString &notification)
        : m_key(key)
        , m_notification(notification) {}

    NSTranslationSetupColorSonSmallView *chosen() const { return m_chosen; }
    // Marks `view` as the chosen one and unmarks the last; writes nothing.
    void mark(NSTranslationSetupColorSonSmallView *view);
    // A click on `view`, whose value is `value`: nothing when it is the chosen one already, else it is
    // marked and `value` written (MLSubtitleLookKeys::write).
    void choose(NSTranslationSetupColorSonSmallView *view, const QString &value);

private:
    QString m_key;
    QString m_notification;
    NSTranslationSetupColorSonSmallView *m_chosen = nullptr;
};
