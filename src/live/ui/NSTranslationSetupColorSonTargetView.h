#pragma once

#include "live/ui/NSTranslationSetupColorSonSmallView.h"

#include <QLabel>
#include <QString>
#include <QWidget>

// The translation-colour group of the colour row: four swatches for the values "1" (white), "2" (green), "3"
// (red) and "4" (blue) of "NSUserDefaultsTargetBgFloatKey". Building it marks the stored colour and writes
// nothing; a click on another swatch stores its value and posts MLNotificationNames::kChangeFontSize so
// subtitle tables reload.
class NSTranslationSetupColorSonTargetView : public QWidget {
    Q_OBJECT
public:
    explicit NSTranslationSetupColorSonTargetView(QWidget *parent = nullptr);

    QLabel *titleLabel() const { return m_titleLabel; }
    NSTranslationSetupColorSonSmallView *whiteView() const { return m_whiteView; }
    NSTranslationSetupColorSonSmallView *greenView() const { return m_greenView; }
    NSTranslationSetupColorSonSmallView *redView() const { return m_redView; }
    NSTranslationSetupColorSonSmallView *blueView() const { return m_blueView; }
    NSTranslationSetupColorSonSmallView *seletdView() const { return m_choice.chosen(); }

    // The user-defaults key this group reads and writes.
    QString defaultsKey() const { return m_defaultsKey; }

    void defaultSelectionButton();
    void whiteViewClick();
    void greenViewClick();
    void redViewClick();
    void blueViewClick();

protected:
    // A group over another colour key (the source-colour group).
    NSTranslationSetupColorSonTargetView(const QString &defaultsKey, QWidget *parent);
    void resizeEvent(QResizeEvent *event) override;

private:
    void creatUI();
    void layoutUI();
    void bindAction();

    const QString m_defaultsKey;
    QLabel *m_titleLabel = nullptr;
    NSTranslationSetupColorSonSmallView *m_whiteView = nullptr;
    NSTranslationSetupColorSonSmallView *m_greenView = nullptr;
    NSTranslationSetupColorSonSmallView *m_redView = nullptr;
    NSTranslationSetupColorSonSmallView *m_blueView = nullptr;
    MLSwatchChoice m_choice;
};
