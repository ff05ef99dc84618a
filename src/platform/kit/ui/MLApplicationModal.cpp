#include "platform/kit/ui/MLApplicationModal.h"

#include <QEventLoop>
#include <QPointer>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

struct Run {
    QPointer<QWidget> window;
    QPointer<QEventLoop> loop;
    std::optional<int> stopCode; // set when stopped before the loop started
};

std::vector<Run *> &runs() {
    static std::vector<Run *> stack;
    return stack;
}

} // namespace

int MLApplicationModal::runModalForWindow(QWidget *window) {
    if (!window)
        return AbortResponse;
    QWidget *top = window->window();
    const Qt::WindowModality previous = top->windowModality();
    if (top->isVisible())
        top->hide(); // modality only changes while the window is hidden
    top->setWindowModality(Qt::ApplicationModal);

    QEventLoop loop;
    Run run{top, &loop, std::nullopt};
    runs().push_back(&run);
    QObject::connect(top, &QObject::destroyed, &loop, [&loop] { loop.exit(AbortResponse); });

    top->show();
    top->raise();
    top->activateWindow();
    const int code = run.stopCode ? *run.stopCode : loop.exec(QEventLoop::DialogExec);

    runs().erase(std::find(runs().begin(), runs().end(), &run));
    if (run.window) {
        // The window stays where it is, but no longer blocks the others.
        const bool visible = top->isVisible();
        if (visible)
            top->hide();
        top->setWindowModality(previous);
        if (visible)
            top->show();
    }
    return code;
}

void MLApplicationModal::stopModal() {
    stopModalWithCode(StopResponse);
}

void MLApplicationModal::stopModalWithCode(int code) {
    if (runs().empty())
        return;
    Run *run = runs().back();
    if (run->stopCode)
        return; // already stopped, waiting to unwind
    run->stopCode = code;
    if (run->loop)
        run->loop->exit(code);
}

bool MLApplicationModal::isRunning() {
    return !runs().empty();
}

QWidget *MLApplicationModal::modalWindow() {
    return runs().empty() ? nullptr : runs().back()->window.data();
}
