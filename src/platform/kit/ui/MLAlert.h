#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QDialog;

#include <functional>
#include <optional>

// A question with buttons, shown as a sheet on a window (window-modal) or run application-modally.
// Buttons keep the order they are added in; the first answers FirstButtonReturn (1000), the second
// 1001, and so on. The alert is a value: it may go out of scope while its sheet is shown.
//
// Tests answer alerts without a person: every response queued with setNextResponse() answers one
// alert, in order, instead of a dialog. A queued answer reaches a sheet's completion asynchronously
// (on the main loop, as a real sheet's would).
class MLAlert final {
public:
    static constexpr int FirstButtonReturn = 1000;
    static constexpr int SecondButtonReturn = 1001;
    static constexpr int ThirdButtonReturn = 1002;

    QString messageText() const { return m_messageText; }
    void setMessageText(const QString &text) { m_messageText = text; }
    QString informativeText() const { return m_informativeText; }
    void setInformativeText(const QString &text) { m_informativeText = text; }

    // Adds a button and returns the response it will give.
    int addButtonWithTitle(const QString &title);
    QStringList buttonTitles() const { return m_buttonTitles; }

    // Shows the alert as a sheet on `window` (its top-level window; application-modal when null) and
    // calls `completion` with the response once a button is chosen. When `window` is destroyed first,
    // the completion is dropped.
    void beginSheetModalForWindow(QWidget *window, std::function<void(int response)> completion) const;

    // Test responder.
    static void setNextResponse(int response);
    static void clearNextResponses();
    static int pendingResponseCount();
    // The last alert shown or answered, for tests to check its texts and buttons.
    static std::optional<MLAlert> lastAlert();
    static void clearLastAlert();

private:
    QDialog *makeDialog(QWidget *parent) const;

    QString m_messageText;
    QString m_informativeText;
    QStringList m_buttonTitles;
};
