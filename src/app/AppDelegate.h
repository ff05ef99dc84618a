#pragma once

#include "ui/widgets/MLAppHost.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class MLAppWindow;
class MLFloatingWindow;
struct MLMineModel;

// The application delegate: launches the app, owns the main window, the floating subtitle window and
// the shelter view, and rebuilds the window's content on sign-in and sign-out. It is the pages' host
// (MLAppHost): made, it installs itself; destroyed, it uninstalls itself if it is still the one.
class AppDelegate final : public QObject, public MLAppHost {
    Q_OBJECT
public:
    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;

    // The application's delegate (the most recently made one); null before one exists.
    static AppDelegate *shared();

    // What the application object is given as soon as it exists, before any widget: the style, the
    // names (which place the settings file), the version and desktop entry, and that it ends by "退出"
    // or the main window's close rather than with its last window (the floating one may be alone).
    static void configureApplication();

    // Launch, in order: ignore SIGXFSZ (a file-size limit fails the write instead), recover the
    // request cipher's key and IV, observe sign-out and window closing, creatUI, initTranslation.
    void applicationDidFinishLaunching();

    // Shows the main page when a user is stored, the sign-in page otherwise, in a freshly shown window.
    void creatUI() override;
    // Builds the floating subtitle window, hidden.
    void initTranslation();

    // Shows the main window again, restored and raised above the others (a second start of the app
    // asks for it); the floating window stays as it is.
    void bringWindowForward();

    // The main application window; closing it only takes it off the screen.
    QWidget *window() const override;
    // The window's content view: hosts the pages, progress overlays and toasts.
    QWidget *contentView() const override;
    // The floating subtitle window: always on top, frameless, movable by its background.
    QWidget *translationWindow() const override;
    // Replaces the floating window's content.
    void setTranslationContent(QWidget *content) override;
    // The faint shelter over the left 298 points of the main page, shown while a session runs.
    QWidget *translationShelterView() const override;

    bool isTranslation() const override { return m_isTranslation; }
    void setIsTranslation(bool running) override { m_isTranslation = running; }
    bool isFloatingWindow() const override { return m_isFloatingWindow; }
    void setIsFloatingWindow(bool floating) override { m_isFloatingWindow = floating; }

    // "/meInfo/getMeInfo": the account replaces the session store's account before `success` runs.
    void requestMineNetworkSuccess(QObject *context, std::function<void(const MLMineModel &)> success,
                                   std::function<void(const QString &, const QString &)> failure) override;

    // Ends the running modal run; called whenever any window closes.
    void windowWillClose();

    // The application is about to quit, in this order: the windows go off the screen; every live
    // session ends as a user's stop does (recording closed, transcript, history row) with a bounded
    // wait for its end-of-use report. Then the windows go with the delegate, and the shared network
    // managers with the application object.
    void applicationWillTerminate();
    // The desktop session is ending (the session manager asks the app to save its data before a
    // logout): every live session ends as at quit. The app itself goes when the session manager, or
    // the system's signal, ends it.
    void sessionWillEnd();

    static constexpr int kShelterWidth = 298;

private:
    void userLogoutEvent();
    bool eventFilter(QObject *watched, QEvent *event) override;

    MLAppWindow *m_window = nullptr;
    MLFloatingWindow *m_translationWindow = nullptr;
    QPointer<QWidget> m_shelterView;
    bool m_isTranslation = false;
    bool m_isFloatingWindow = false;
};
