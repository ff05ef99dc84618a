#include "core/net/MLServiceOrigins.h"

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
