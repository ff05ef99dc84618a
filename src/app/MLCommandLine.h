#pragma once

#include <QStringList>

#include <optional>

// The app's command line. It is read before the application object exists, so --help, --version
// and mistakes need no display. Each setting also comes from an environment variable; the option
// wins over the variable, the variable over the build's default:
//   --api-base URL        ML_API_BASE_URL   service API origin (https; http only on loopback)
//   --pay-base URL        ML_PAY_BASE_URL   payment origin (https; http only on loopback)
//   --speech-url TEMPLATE ML_SPEECH_URL     speech endpoint (wss; ws only on loopback), "{region}" replaced
//   --audio-input FILE    ML_AUDIO_INPUT    a WAV file in place of the microphone
// Loopback is "localhost", 127.0.0.0/8 and ::1: a plain address elsewhere would carry the token in clear.
// --help lists too what only the environment sets: ML_WEBSITE_URL, the maker's web site
// (MLFileJobFailure::websiteUrl).
// Values echoed in an error have their control characters escaped and are cut to about 200 characters.
class MLCommandLine final {
public:
    // Exit codes of a start that does not run the app.
    static constexpr int kExitSuccess = 0;
    static constexpr int kExitUsage = 2;

    // Parses `arguments` (the program first), checks every value and hands the settings to
    // MLServiceOrigins and MLAudioCapture. Returns the code to exit with when the app must not run:
    // after printing the help or the version (0), or an error on standard error (2).
    static std::optional<int> apply(const QStringList &arguments);
    // The same for main's argument vector.
    static std::optional<int> apply(int argc, char *argv[]);
};
