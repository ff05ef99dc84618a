#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// Where the remote parties live. Defaults are build-time constants pointing at the local stand-in;
// environment variables override them, and command-line options override both:
//   --api-base URL      ML_API_BASE_URL      service API origin (paths are appended)
//   --pay-base URL      ML_PAY_BASE_URL      payment origin (paths are appended)
//   --speech-url TPL    ML_SPEECH_URL        speech endpoint, "{region}" replaced by the speech region
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

    // Applies the environment variables, then the options found in `arguments` (both forms
    // "--opt value" and "--opt=value"); unknown arguments are ignored.
    static void configure(const QStringList &arguments);
};
