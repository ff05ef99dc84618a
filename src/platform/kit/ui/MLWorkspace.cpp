#include "platform/kit/ui/MLWorkspace.h"

#include "platform/kit/ui/MLKitUiLogging.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace {

struct Recorder {
    bool on = false;
    QList<MLWorkspace::Call> calls;
};

Recorder &recorder() {
    static Recorder r;
    return r;
}

} // namespace

bool MLWorkspace::open(Call::Kind kind, const QUrl &url, const QStringList &paths) {
    if (recorder().on) {
        recorder().calls.append({kind, url, paths});
        return true;
    }
    const bool opened = QDesktopServices::openUrl(url);
    if (!opened)
        qCWarning(lcKitUi) << "the desktop could not open" << url;
    return opened;
}

bool MLWorkspace::activateFileViewerSelectingURLs(const QStringList &paths) {
    QStringList folders;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (path.isEmpty() || !info.exists()) {
            qCWarning(lcKitUi) << "nothing to reveal at" << path;
            continue;
        }
        const QString folder = info.absoluteDir().absolutePath();
        if (!folders.contains(folder))
            folders.append(folder);
    }
    bool opened = false;
    for (const QString &folder : folders)
        opened |= open(Call::Kind::RevealInFileViewer, QUrl::fromLocalFile(folder), paths);
    return opened;
}

bool MLWorkspace::selectFile(const QString &fullPath, const QString &rootFullPath) {
    if (!fullPath.isEmpty())
        return activateFileViewerSelectingURLs({fullPath});
    const QFileInfo root(rootFullPath);
    if (rootFullPath.isEmpty() || !root.isDir()) {
        qCWarning(lcKitUi) << "no folder to show at" << rootFullPath;
        return false;
    }
    return open(Call::Kind::RevealInFileViewer, QUrl::fromLocalFile(root.absoluteFilePath()), {rootFullPath});
}

bool MLWorkspace::openURL(const QUrl &url) {
    if (!url.isValid() || url.isEmpty()) {
        qCWarning(lcKitUi) << "not a URL to open:" << url;
        return false;
    }
    return open(Call::Kind::OpenURL, url, {});
}

void MLWorkspace::setRecorder(bool on) {
    recorder().on = on;
}

bool MLWorkspace::isRecording() {
    return recorder().on;
}

QList<MLWorkspace::Call> MLWorkspace::recordedCalls() {
    return recorder().calls;
}

void MLWorkspace::clearRecordedCalls() {
    recorder().calls.clear();
}
