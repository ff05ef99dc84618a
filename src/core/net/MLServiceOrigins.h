#pragma once

#include <QString>
#include <QUrl>

// Where the remote parties live: the service API origin and the payment origin (paths are appended)
// and the speech endpoint ("{region}" replaced by the speech region). Defaults are build-time
// constants pointing at the local stand-in; MLCommandLine sets them from the environment variables
// and the command-line options at start.
class MLServiceOrigins final {
public:
    static QString apiBaseUrl();
    static QString payBaseUrl();
    static QString speechUrlTemplate();
    // The speech endpoint for a region.
    static QUrl speechUrl(const QString &region);

    static void setApiBaseUrl(const QString &url);
    static void setPayBaseUrl(const QString &url);
    static void setSpeechUrlTemplate(const QString &urlTemplate);
};
