#pragma once

#include <QWidget>

// Application-modal runs of a window: the window is shown, input to every other window is blocked,
// and the call returns when the run is stopped. Runs nest; stopModal() ends the innermost one.
class MLApplicationModal final {
public:
    static constexpr int StopResponse = -1000;
    static constexpr int AbortResponse = -1001;

    MLApplicationModal() = delete;

    // Returns the code the run was stopped with; AbortResponse when the window is null or is destroyed
    // during the run.
    static int runModalForWindow(QWidget *window);
    // Ends the innermost run with StopResponse (or `code`); does nothing when no run is active.
    static void stopModal();
    static void stopModalWithCode(int code);

    static bool isRunning();
    static QWidget *modalWindow();
};
