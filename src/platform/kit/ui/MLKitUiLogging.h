#pragma once

#include <QLoggingCategory>

// Diagnostics of the visual platform kit (layout, sheets, workspace).
Q_DECLARE_LOGGING_CATEGORY(lcKitUi)
