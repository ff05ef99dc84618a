#pragma once

#include "live/ui/MLTogetherSettingView.h"

#include <QWidget>

// The content of the settings windows of the live control bars and of the floating subtitle window: the live
// settings in window mode (sound, font size, colours; no region row), 800 by 450.
class MLHelpSelectVC final : public QWidget {
    Q_OBJECT
public:
    explicit MLHelpSelectVC(QWidget *parent = nullptr);

    // The settings view, made on first use and switched to window mode at once.
    MLTogetherSettingView *contentView();

private:
    void creatUI();
    void layoutUI();

    MLTogetherSettingView *m_contentView = nullptr;
};
