#pragma once

#include "live/engine/MLLiveEngine.h"
#include "live/ui/MLLivePageFrame.h"

#include <QPointer>

class MLSubtitleTableView;
class NSTranslationSonView;
class NSTranslationVC;

// A live mode page: the control bar with the two pickers, the subtitle table, the start/stop image
// and the hint, driving one live engine. The running look follows only the engine's status
// callback, never the click. The two tiers' pages are this class with their engine and page key.
// The engine's callbacks hold the page weakly; the page holds the engine weakly.
class MLTranslationModeView : public MLLivePageFrame {
    Q_OBJECT
public:
    static const QString &tipText();

    const QString &pageKey() const { return m_pageKey; }
    MLLiveEngine *engine() const { return m_engine; }
    NSTranslationSonView *barView() const { return m_barView; }
    MLSubtitleTableView *tableView() const { return m_tableView; }
    QLabel *showTipLabel() const { return m_showTipLabel; }
    // The caption list of the last data callback (empty before the first).
    QStringList strList() const;
    // This page's content of the floating subtitle window, made on first use.
    NSTranslationVC *suspensionVc();

    // The engine's callbacks as the page handles them (the page installs them in its engine).
    void statusChanged(bool running);
    void timeChanged(const QString &time);
    void dataChanged(const MLCaptionLines &list);

    void startOrOverClick() override;
    // Shows the running look: image, shelter view, hint, picker locks.
    void changeUI();
    // Redraws the subtitles (new size, colours or window size).
    void screenResize();
    // Moves the subtitles to the floating window and closes the main window.
    void suspensionBtnClick();

protected:
    MLTranslationModeView(MLLiveEngine &engine, const QString &pageKey, QWidget *parent = nullptr);
    ~MLTranslationModeView() override;

    void layoutUI() override;
    // The first showing of a live page loads what a first session needs (the media module, the
    // speech connection's TLS backend) away from the main thread, and makes the floating window's
    // page, so that the first start costs what a later one does.
    void showEvent(QShowEvent *event) override;

private:
    void initLanguage();
    void setContentBlock();

    QPointer<MLLiveEngine> m_engine;
    QString m_pageKey;
    NSTranslationSonView *m_barView = nullptr;
    MLSubtitleTableView *m_tableView = nullptr;
    QLabel *m_showTipLabel = nullptr;
    QPointer<NSTranslationVC> m_suspensionVc;
};
