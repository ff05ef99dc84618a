#include "platform/kit/ui/MLKitUiLogging.h"

Q_LOGGING_CATEGORY(lcKitUi, "ml.kit.ui")
