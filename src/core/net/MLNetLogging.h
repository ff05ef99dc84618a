#pragma once

#include <QLoggingCategory>

// Log lines of the service client.
Q_DECLARE_LOGGING_CATEGORY(lcNet)
