#include "core/net/MLNetLogging.h"

Q_LOGGING_CATEGORY(lcNet, "ml.net")
