#pragma once

#include "live/ui/NSTranslationSetupColorSonSmallView.h"

#include <QLabel>
#include <QWidget>

// The background group of the colour row: a dark swatch ("0.7") and a light one ("0.3") for the opacity of
// the floating subtitle window's background, "NSUserDefaultsBgFloatKey". Building it marks the stored choice
// and writes nothing; a click on the other swatch stores its value and posts
// MLNotificationNames::kChangeBgFloat.
class NSTranslationSetupColorSonBgView final : public QWidget {
    Q_OBJECT
public:
    explicit NSTranslationSetupColorSonBgView(QWidget *parent = nullptr);

    QLabel *titleLabel() const { return m_titleLabel; }
    NSTranslationSetupColorSonSmallView *blackView() const { return m_blackView; }
    NSTranslationSetupColorSonSmallView *whiteView() const { return m_whiteView; }
    NSTranslationSetupColorSonSmallView *seletdView() const { return m_choice.chosen(); }

    void defaultSelectionButton();
    void blackViewClick();
    void whiteViewClick();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void creatUI();
    void layoutUI();
    void bindAction();

    QLabel *m_titleLabel = nullptr;
    NSTranslationSetupColorSonSmallView *m_blackView = nullptr;
    NSTranslationSetupColorSonSmallView *m_whiteView = nullptr;
    MLSwatchChoice m_choice;
};
