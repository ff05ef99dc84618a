#include "files/MLFilesLogging.h"

Q_LOGGING_CATEGORY(lcFiles, "ml.files")
