#pragma once

#include <QPointer>
#include <QWidget>

// The settings window of the live pages: 800 by 450, titled and closable, centred when made, kept
// (hidden) when closed. Its content is replaced each time settings are opened.
class MLLiveSettingsWindow final : public QWidget {
    Q_OBJECT
public:
    // `staysOnTop`: the floating window's settings window stays above other windows, as the
    // floating window does.
    explicit MLLiveSettingsWindow(QWidget *owner, bool staysOnTop = false);

    // Shows `content` (taking it over) in place of the previous content, which is deleted.
    void setContentViewController(QWidget *content);
    QWidget *contentViewController() const { return m_content; }

    static constexpr int kWidth = 800;
    static constexpr int kHeight = 450;

private:
    QPointer<QWidget> m_content;
};
