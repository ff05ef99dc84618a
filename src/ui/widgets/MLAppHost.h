#pragma once

#include <QString>

#include <functional>

class QObject;
class QWidget;
struct MLMineModel;

// What the pages and the live engine need from the application: its windows, the shelter over the
// main page, the running and floating flags, the account request and the rebuild after sign-in. The
// application delegate implements it and installs itself; the pages reach it through `shared()`.
class MLAppHost {
public:
    // The installed host; null when none is installed.
    static MLAppHost *shared();
    // Makes `host` the shared one (null uninstalls).
    static void install(MLAppHost *host);

    // The main application window.
    virtual QWidget *window() const = 0;
    // The main window's content view: hosts the pages, progress overlays and toasts. It lives as long
    // as the host.
    virtual QWidget *contentView() const = 0;
    // The floating subtitle window.
    virtual QWidget *translationWindow() const = 0;
    // Replaces the floating window's content.
    virtual void setTranslationContent(QWidget *content) = 0;
    // The shelter over the main page's left part, raised above its siblings; null when there is none.
    virtual QWidget *translationShelterView() const = 0;

    // A live session is running.
    virtual bool isTranslation() const = 0;
    virtual void setIsTranslation(bool running) = 0;
    // The floating window is showing in place of the main window.
    virtual bool isFloatingWindow() const = 0;
    virtual void setIsFloatingWindow(bool floating) = 0;

    // Asks for the signed-in user's account; the session store holds it before `success` runs.
    virtual void requestMineNetworkSuccess(QObject *context, std::function<void(const MLMineModel &)> success,
                                           std::function<void(const QString &, const QString &)> failure) = 0;
    // Shows the main page when a user is stored, the sign-in page otherwise.
    virtual void creatUI() = 0;

protected:
    MLAppHost() = default;
    ~MLAppHost() = default;
    MLAppHost(const MLAppHost &) = delete;
    MLAppHost &operator=(const MLAppHost &) = delete;
};
