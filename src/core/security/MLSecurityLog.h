#pragma once

#include <QLoggingCategory>

// Logging of the request cipher and key loading ("ml.security"). Messages never carry key material
// or payloads.
Q_DECLARE_LOGGING_CATEGORY(lcSecurity)
