#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// Presigned addresses of the object store: a URL that lets its holder send one request (here a PUT)
// for one object until it expires, without further credentials. The signature is the Base64 HMAC-SHA1,
// under the access key secret, of the canonical string
//     METHOD "\n" Content-MD5 "\n" Content-Type "\n" Expires "\n" /bucket/object[?security-token=...]
// and travels URL-encoded in the query with the key id and the expiry:
//     <object URL>?OSSAccessKeyId=<id>&Expires=<seconds since 1970>&Signature=<signature>
//                 [&security-token=<token>]
// The object URL is path-style (<endpoint>/<bucket>/<object>) for endpoints on an IP address or
// localhost, and virtual-hosted (<bucket>.<endpoint host>/<object>) otherwise; an endpoint without a
// scheme is taken as https.
class MLObjectStorePresigner final {
public:
    struct Credentials {
        QString accessKeyId;
        QString accessKeySecret;
        QString securityToken; // temporary credentials carry one; the address must then name it
    };

    MLObjectStorePresigner(const QString &endpoint, const Credentials &credentials);

    // The address for `method` on `objectKey` in `bucket`, valid until `now` + `expirationSeconds`
    // (seconds since 1970), for a request that sends exactly `contentType` and `contentMd5`. Nothing
    // when it cannot be signed: no key id or secret, no bucket or object key, or an unusable endpoint.
    std::optional<QUrl> presignConstrainURL(const QString &bucketName, const QString &objectKey,
                                            const QString &httpMethod, qint64 expirationSeconds,
                                            const QString &contentType, const QString &contentMd5,
                                            qint64 now) const;

    // The text that is signed.
    static QByteArray stringToSign(const QString &httpMethod, const QString &contentMd5,
                                   const QString &contentType, qint64 expires,
                                   const QString &canonicalResource);
    // "/bucket/object", with "?security-token=<token>" when there is a token.
    static QString canonicalResource(const QString &bucketName, const QString &objectKey,
                                     const QString &securityToken);
    // Base64 of the HMAC-SHA1 of `data` under `secret`; empty without a secret.
    static QString calBase64Sha1WithData(const QByteArray &data, const QString &secret);
    // The address of the object, without a query; invalid for an unusable endpoint.
    static QUrl objectUrl(const QString &endpoint, const QString &bucketName, const QString &objectKey);

    static constexpr qint64 kDefaultExpirationSeconds = 1800;

private:
    QString m_endpoint;
    Credentials m_credentials;
};
