#include "core/net/MLServiceOrigins.h"

#include <QByteArray>

namespace {

struct Origins {
    QString api = QStringLiteral(ML_API_BASE_URL);
    QString pay = QStringLiteral(ML_PAY_BASE_URL);
    QString speech = QStringLiteral(ML_SPEECH_URL_TEMPLATE);
};

Origins &origins() {
    static Origins o;
    return o;
}

QString withoutTrailingSlash(QString url) {
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

} // namespace

QString MLServiceOrigins::apiBaseUrl() {
    return origins().api;
}
QString MLServiceOrigins::payBaseUrl() {
    return origins().pay;
}
QString MLServiceOrigins::speechUrlTemplate() {
    return origins().speech;
}

QUrl MLServiceOrigins::speechUrl(const QString &region) {
    QString url = origins().speech;
    url.replace(QLatin1String("{region}"), QString::fromLatin1(QUrl::toPercentEncoding(region)));
    return QUrl(url);
}

void MLServiceOrigins::setApiBaseUrl(const QString &url) {
    origins().api = withoutTrailingSlash(url);
}
void MLServiceOrigins::setPayBaseUrl(const QString &url) {
    origins().pay = withoutTrailingSlash(url);
}
void MLServiceOrigins::setSpeechUrlTemplate(const QString &urlTemplate) {
    origins().speech = urlTemplate;
}

void MLServiceOrigins::configure(const QStringList &arguments) {
    const struct {
        const char *env;
        const char *option;
        void (*apply)(const QString &);
    } settings[] = {
        {"ML_API_BASE_URL", "--api-base", &MLServiceOrigins::setApiBaseUrl},
        {"ML_PAY_BASE_URL", "--pay-base", &MLServiceOrigins::setPayBaseUrl},
        {"ML_SPEECH_URL", "--speech-url", &MLServiceOrigins::setSpeechUrlTemplate},
    };
    for (const auto &s : settings) {
        const QByteArray env = qgetenv(s.env);
        if (!env.isEmpty())
            s.apply(QString::fromUtf8(env));
    }
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        for (const auto &s : settings) {
            const QString option = QLatin1String(s.option);
            if (arguments[i] == option && i + 1 < arguments.size())
                s.apply(arguments[++i]);
            else if (arguments[i].startsWith(option + QLatin1Char('=')))
                s.apply(arguments[i].mid(option.size() + 1));
        }
    }
}
