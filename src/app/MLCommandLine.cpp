#include "app/MLCommandLine.h"

#include "core/net/MLServiceOrigins.h"
#include "core/net/MLServiceText.h"
#include "platform/audio/MLAudioCapture.h"
#include "platform/audio/MLWavReader.h"

#include <QCommandLineParser>
#include <QHostAddress>
#include <QUrl>

#include <cstdio>

namespace {

const QString kProgram = QStringLiteral("mltranslate");

enum class Kind { Origin, SpeechTemplate, AudioFile };

struct Setting {
    QCommandLineOption option;
    const char *environment;
    Kind kind;
    void (*store)(const QString &);
};

void print(FILE *stream, const QString &text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// A value as an error message shows it: control characters escaped, since they would drive the
// terminal (an escape sequence, a bell), and cut to about 200 characters.
QString echoed(const QString &value) {
    constexpr qsizetype kMaxEchoed = 200;
    QString text;
    for (const QChar c : value) {
        if (c.category() == QChar::Other_Control)
            text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return MLServiceText::forDisplay(text, kMaxEchoed);
}

int usageError(const QString &message) {
    print(stderr, kProgram + QStringLiteral(": ") + message + QStringLiteral("\nTry '") + kProgram +
                      QStringLiteral(" --help' for more information.\n"));
    return MLCommandLine::kExitUsage;
}

bool hasSchemeAndHost(const QUrl &url, QLatin1String plain, QLatin1String secure) {
    return url.isValid() && (url.scheme() == plain || url.scheme() == secure) && !url.host().isEmpty();
}

// Loopback: "localhost", 127.0.0.0/8 or ::1.
bool isThisMachine(const QString &host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// Empty when `url` (scheme checked) is secure or stays on this machine: what goes out in clear
// carries the user's token.
QString clearTextProblem(const QUrl &url, QLatin1String plain, QLatin1String secure, const QString &value) {
    if (url.scheme() != plain || isThisMachine(url.host()))
        return {};
    return QStringLiteral("\"%1\" would send the sign-in token in clear text: use %2 (%3 only for "
                          "localhost, 127.0.0.0/8 and ::1)")
        .arg(echoed(value), secure, plain);
}

// Empty when `value` is fit for `kind`, else why not.
QString problemWith(Kind kind, const QString &value) {
    switch (kind) {
    case Kind::Origin: {
        const QUrl url(value, QUrl::StrictMode);
        if (!hasSchemeAndHost(url, QLatin1String("http"), QLatin1String("https")))
            return QStringLiteral("\"%1\" is not an http or https address").arg(echoed(value));
        return clearTextProblem(url, QLatin1String("http"), QLatin1String("https"), value);
    }
    case Kind::SpeechTemplate: {
        QString sample = value;
        sample.replace(QLatin1String("{region}"), QLatin1String("region"));
        const QUrl url(sample, QUrl::StrictMode);
        if (!hasSchemeAndHost(url, QLatin1String("ws"), QLatin1String("wss")))
            return QStringLiteral("\"%1\" is not a ws or wss address").arg(echoed(value));
        return clearTextProblem(url, QLatin1String("ws"), QLatin1String("wss"), value);
    }
    case Kind::AudioFile:
        // The reader's text names the file.
        if (MLWavReader reader; !reader.open(value))
            return QStringLiteral("the audio file cannot be read: %1")
                .arg(reader.errorString().replace(value, echoed(value)));
        break;
    }
    return {};
}

} // namespace

std::optional<int> MLCommandLine::apply(const QStringList &arguments) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and exits."));
    const Setting settings[] = {
        {QCommandLineOption(QStringLiteral("api-base"),
                            QStringLiteral("Service API origin (ML_API_BASE_URL)."), QStringLiteral("URL")),
         "ML_API_BASE_URL", Kind::Origin, &MLServiceOrigins::setApiBaseUrl},
        {QCommandLineOption(QStringLiteral("pay-base"), QStringLiteral("Payment origin (ML_PAY_BASE_URL)."),
                            QStringLiteral("URL")),
         "ML_PAY_BASE_URL", Kind::Origin, &MLServiceOrigins::setPayBaseUrl},
        {QCommandLineOption(QStringLiteral("speech-url"),
                            QStringLiteral("Speech endpoint, {region} replaced (ML_SPEECH_URL)."),
                            QStringLiteral("TEMPLATE")),
         "ML_SPEECH_URL", Kind::SpeechTemplate, &MLServiceOrigins::setSpeechUrlTemplate},
        {QCommandLineOption(QStringLiteral("audio-input"),
                            QStringLiteral("WAV file used as the microphone (ML_AUDIO_INPUT)."),
                            QStringLiteral("FILE")),
         "ML_AUDIO_INPUT", Kind::AudioFile, &MLAudioCapture::setInputFile},
    };

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Live speech translation, and document and audio translation by the "
                       "MLTranslate service."));
    parser.addOption(help);
    parser.addOption(version);
    for (const Setting &s : settings)
        parser.addOption(s.option);

    if (!parser.parse(arguments))
        return usageError(echoed(parser.errorText())); // it names an unknown option as given
    if (parser.isSet(help)) {
        // Parsed without an application object, the parser does not know the program's name.
        QString text = parser.helpText();
        text.replace(QLatin1String("<executable_name>"), kProgram);
        // What only the environment sets (help2man makes the manual page's section of it).
        text +=
            QStringLiteral("\nEnvironment:\n"
                           "  ML_WEBSITE_URL  The maker's web site, opened to top up (default: the root of\n"
                           "                  the service API origin).\n");
        print(stdout, text);
        return kExitSuccess;
    }
    if (parser.isSet(version)) {
        print(stdout, kProgram + QLatin1Char(' ') + QStringLiteral(ML_APP_VERSION) + QLatin1Char('\n'));
        return kExitSuccess;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("Unexpected argument '%1'.").arg(echoed(parser.positionalArguments().first())));

    for (const Setting &s : settings) {
        const QString name = s.option.names().constFirst();
        const bool fromOption = parser.isSet(s.option);
        const QString value = fromOption ? parser.value(s.option) : qEnvironmentVariable(s.environment);
        if (value.isEmpty()) {
            if (fromOption)
                return usageError(QStringLiteral("--%1: the value is empty.").arg(name));
            continue;
        }
        if (const QString problem = problemWith(s.kind, value); !problem.isEmpty()) {
            const QString source =
                fromOption ? QString(QStringLiteral("--") + name) : QString::fromLatin1(s.environment);
            return usageError(source + QStringLiteral(": ") + problem + QLatin1Char('.'));
        }
        s.store(value);
    }
    return std::nullopt;
}

std::optional<int> MLCommandLine::apply(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return apply(arguments);
}
