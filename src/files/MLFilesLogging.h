#pragma once

#include <QLoggingCategory>

// Log lines of document translation and audio transcription.
Q_DECLARE_LOGGING_CATEGORY(lcFiles)
