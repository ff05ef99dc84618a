#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

// Hand-offs to the desktop: show folders in the file manager, open URLs in their default
// application. The file manager cannot be told which items to select, so revealing opens the folder
// that holds them.
//
// Tests turn the recorder on: calls are then recorded instead of launching anything.
class MLWorkspace final {
public:
    struct Call {
        enum class Kind { RevealInFileViewer, OpenURL };
        Kind kind;
        QUrl url;          // what would have been opened: a folder or the URL itself
        QStringList paths; // the paths asked to be revealed
    };

    MLWorkspace() = delete;

    // Opens, for each distinct folder, the folder that holds the given files or folders. Paths that
    // do not exist are skipped; returns false when nothing was opened.
    static bool activateFileViewerSelectingURLs(const QStringList &paths);
    // Opens `rootFullPath` in the file manager (the folder holding `fullPath` when that is given).
    static bool selectFile(const QString &fullPath, const QString &rootFullPath);
    static bool openURL(const QUrl &url);

    static void setRecorder(bool on);
    static bool isRecording();
    static QList<Call> recordedCalls();
    static void clearRecordedCalls();

private:
    static bool open(Call::Kind kind, const QUrl &url, const QStringList &paths);
};
