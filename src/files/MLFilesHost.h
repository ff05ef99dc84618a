#pragma once

class QWidget;

// Where the file pages put what covers the application window: progress overlays of transfers and
// downloads, and the toasts that go with them.
namespace MLFilesHost {
// The content view of the application window; while there is none (a page shown on its own), the
// top-level window of `near`.
QWidget *contentView(QWidget *near);
} // namespace MLFilesHost
