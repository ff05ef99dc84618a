#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class MBProgressHUD;
class MLLiveEngine;
class QWidget;

// Shows what a live engine tells the user: its progress overlay and its notices as toasts, on the
// view the host gives at that moment (the application window's content view by default). One per
// engine, kept by the engine, so an engine whose page has gone still shows them.
class MLLiveEngineNotices final : public QObject {
    Q_OBJECT
public:
    using Host = std::function<QWidget *()>;

    // Makes the engine's presenter, or gives the one it has (whose host stays as it was made).
    static MLLiveEngineNotices *attach(MLLiveEngine &engine, Host host = {});

private:
    MLLiveEngineNotices(MLLiveEngine &engine, Host host);
    void setBusy(bool busy);
    void show(const QString &message, double seconds);

    Host m_host;
    // The overlay this engine showed (start or stop); one at a time, hidden by the answer that ends it.
    QPointer<MBProgressHUD> m_overlay;
};
