#include "live/ui/MLLiveEngineNotices.h"

#include "live/engine/MLLiveEngine.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLAppHost.h"
#include "ui/widgets/MLToast.h"

MLLiveEngineNotices *MLLiveEngineNotices::attach(MLLiveEngine &engine, Host host) {
    if (auto *made = engine.findChild<MLLiveEngineNotices *>(QString(), Qt::FindDirectChildrenOnly))
        return made;
    if (!host)
        host = []() -> QWidget * {
            MLAppHost *app = MLAppHost::shared();
            return app ? app->contentView() : nullptr;
        };
    return new MLLiveEngineNotices(engine, std::move(host));
}

MLLiveEngineNotices::MLLiveEngineNotices(MLLiveEngine &engine, Host host)
    : QObject(&engine)
    , m_host(std::move(host)) {
    connect(&engine, &MLLiveEngine::busyChanged, this, &MLLiveEngineNotices::setBusy);
    connect(&engine, &MLLiveEngine::notice, this, &MLLiveEngineNotices::show);
}

void MLLiveEngineNotices::setBusy(bool busy) {
    // A new overlay (the stop's) takes the place of one still shown (the start's).
    MBProgressHUD::hideHUD(m_overlay, true);
    if (!busy)
        return;
    if (QWidget *view = m_host())
        m_overlay = MBProgressHUD::showHUDAddedTo(view, true);
}

void MLLiveEngineNotices::show(const QString &message, double seconds) {
    if (QWidget *view = m_host())
        MLToast::makeToast(view, message, seconds);
}
