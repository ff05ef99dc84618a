#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

// The open panel: one existing file, files only, optionally limited to file extensions. Made with
// openPanel(); a panel whose sheet is shown keeps itself alive until its completion has run, so the
// completion can read URL() through the pointer it captured.
//
// Tests answer panels without a person: every (response, path) queued with setNextResponse() answers
// one panel, in order, instead of a dialog; a sheet's completion then runs asynchronously on the main
// loop, and runModal() returns at once.
class MLOpenPanel final : public std::enable_shared_from_this<MLOpenPanel> {
    struct Key {};

public:
    static constexpr int OKResponse = 1;
    static constexpr int CancelResponse = 0;

    explicit MLOpenPanel(Key) {}
    static std::shared_ptr<MLOpenPanel> openPanel();

    // Extensions without the dot ("pdf", "docx"); empty allows every file.
    QStringList allowedFileTypes() const { return m_allowedFileTypes; }
    void setAllowedFileTypes(const QStringList &types);

    // Shows the panel as a sheet on `window` (application-modal when null) and calls `completion` with
    // OKResponse or CancelResponse. When `window` is destroyed first, the completion is dropped.
    void beginSheetModalForWindow(QWidget *window, std::function<void(int response)> completion);
    int runModal();

    // The chosen file after OKResponse; empty otherwise.
    QList<QUrl> URLs() const { return m_URLs; }
    QUrl URL() const { return m_URLs.value(0); }

    // Test responder.
    static void setNextResponse(int response, const QString &path = {});
    static void clearNextResponses();
    static int pendingResponseCount();
    // The allowed types of the last panel shown or answered, and how many panels have been.
    static QStringList lastAllowedFileTypes();
    static int presentedCount();

private:
    void present();
    void answer(int response, const QString &path);
    QString nameFilter() const;

    QStringList m_allowedFileTypes;
    QList<QUrl> m_URLs;
};
