#include "platform/objectstore/MLObjectStorePresigner.h"

#include <QHostAddress>
#include <QMessageAuthenticationCode>
#include <QUrlQuery>

namespace {

QString percentEncoded(const QString &text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// Each segment of the object key encoded on its own; the slashes between them stay.
QString encodedKeyPath(const QString &objectKey) {
    QStringList segments = objectKey.split(QLatin1Char('/'));
    for (QString &segment : segments)
        segment = percentEncoded(segment);
    return segments.join(QLatin1Char('/'));
}

bool isPathStyleHost(const QString &host) {
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || !QHostAddress(host).isNull();
}

} // namespace

MLObjectStorePresigner::MLObjectStorePresigner(const QString &endpoint, const Credentials &credentials)
    : m_endpoint(endpoint)
    , m_credentials(credentials) {}

QByteArray MLObjectStorePresigner::stringToSign(const QString &httpMethod, const QString &contentMd5,
                                                const QString &contentType, qint64 expires,
                                                const QString &canonicalResource) {
    return (httpMethod + QLatin1Char('\n') + contentMd5 + QLatin1Char('\n') + contentType +
            QLatin1Char('\n') + QString::number(expires) + QLatin1Char('\n') + canonicalResource)
        .toUtf8();
}

QString MLObjectStorePresigner::canonicalResource(const QString &bucketName, const QString &objectKey,
                                                  const QString &securityToken) {
    QString resource = QLatin1Char('/') + bucketName + QLatin1Char('/') + objectKey;
    if (!securityToken.isEmpty())
        resource += QStringLiteral("?security-token=") + securityToken;
    return resource;
}

QString MLObjectStorePresigner::calBase64Sha1WithData(const QByteArray &data, const QString &secret) {
    if (secret.isEmpty())
        return {};
    return QString::fromLatin1(
        QMessageAuthenticationCode::hash(data, secret.toUtf8(), QCryptographicHash::Sha1).toBase64());
}

QUrl MLObjectStorePresigner::objectUrl(const QString &endpoint, const QString &bucketName,
                                       const QString &objectKey) {
    QString text = endpoint.trimmed();
    if (!text.contains(QLatin1String("://")))
        text.prepend(QStringLiteral("https://"));
    const QUrl base(text, QUrl::StrictMode);
    if (!base.isValid() || base.host().isEmpty() ||
        (base.scheme() != QLatin1String("http") && base.scheme() != QLatin1String("https")))
        return {};
    QString prefix = base.path(QUrl::FullyEncoded);
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    QString authority = base.host(QUrl::FullyEncoded);
    QString path = prefix + QLatin1Char('/');
    if (isPathStyleHost(base.host()))
        path += percentEncoded(bucketName) + QLatin1Char('/');
    else
        authority.prepend(bucketName + QLatin1Char('.'));
    if (base.port() > 0)
        authority += QLatin1Char(':') + QString::number(base.port());
    path += encodedKeyPath(objectKey);
    return QUrl(base.scheme() + QStringLiteral("://") + authority + path, QUrl::StrictMode);
}

std::optional<QUrl> MLObjectStorePresigner::presignConstrainURL(
    const QString &bucketName, const QString &objectKey, const QString &httpMethod, qint64 expirationSeconds,
    const QString &contentType, const QString &contentMd5, qint64 now) const {
    if (m_credentials.accessKeyId.isEmpty() || bucketName.isEmpty() || objectKey.isEmpty())
        return std::nullopt;
    QUrl url = objectUrl(m_endpoint, bucketName, objectKey);
    if (!url.isValid() || url.isEmpty())
        return std::nullopt;
    const qint64 expires = now + expirationSeconds;
    const QString signature = calBase64Sha1WithData(
        stringToSign(httpMethod, contentMd5, contentType, expires,
                     canonicalResource(bucketName, objectKey, m_credentials.securityToken)),
        m_credentials.accessKeySecret);
    if (signature.isEmpty())
        return std::nullopt;
    // Every value fully percent-encoded ("+", "/" and "=" of the Base64 included), so that no server
    // reads a "+" as a space.
    QString query = QStringLiteral("OSSAccessKeyId=") + percentEncoded(m_credentials.accessKeyId) +
                    QStringLiteral("&Expires=") + QString::number(expires) + QStringLiteral("&Signature=") +
                    percentEncoded(signature);
    if (!m_credentials.securityToken.isEmpty())
        query += QStringLiteral("&security-token=") + percentEncoded(m_credentials.securityToken);
    url.setQuery(query, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}
