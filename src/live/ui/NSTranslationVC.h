#pragma once

#include "live/engine/MLCaptionLines.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QLabel;
class QPushButton;
class MLLiveSettingsWindow;
class MLSubtitleTableView;

// The content of the floating subtitle window: a translucent black panel with "返回", the elapsed
// time, the settings icon and the subtitle rows of the page that made it.
class NSTranslationVC final : public QWidget {
    Q_OBJECT
public:
    explicit NSTranslationVC(QWidget *parent = nullptr);

    QLabel *timeLabel() const { return m_timeLabel; }
    QPushButton *backButton() const { return m_backButton; }
    QLabel *settingImage() const { return m_settingImage; }
    MLSubtitleTableView *tableView() const { return m_tableView; }
    QWidget *bgView() const { return m_bgView; }
    // The opacity of the black panel: 0.7, or 0.3 when "NSUserDefaultsBgFloatKey" is "0.3".
    qreal bgAlpha() const { return m_bgAlpha; }

    // Shows the caption list (keeping a copy) and scrolls to its end.
    void setListData(const MLCaptionLines &list);
    QStringList listData() const;

    // "返回": back to the main window, the session going on.
    void backClick();
    void settingClick();
    // The floating window's settings window, made on first use and kept; it stays on top.
    MLLiveSettingsWindow *suspensionWindow();
    void changeBgFloat();
    void screenResize();

protected:
    void resizeEvent(QResizeEvent *event) override;
    // The floating window closed (by the window manager): as "返回".
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *m_bgView = nullptr;
    QPushButton *m_backButton = nullptr;
    QLabel *m_timeLabel = nullptr;
    QLabel *m_settingImage = nullptr;
    MLSubtitleTableView *m_tableView = nullptr;
    qreal m_bgAlpha = 0.7;
    QPointer<MLLiveSettingsWindow> m_suspensionWindow;
};
