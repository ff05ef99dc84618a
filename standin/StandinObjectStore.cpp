#include "StandinObjectStore.h"

#include "StandinFileJobs.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QSaveFile>

namespace {

StandinReply denied(const QByteArray &code, const QByteArray &message) {
    return StandinReply::raw("<Error><Code>" + code + "</Code><Message>" + message + "</Message></Error>",
                             "application/xml", 403);
}

} // namespace

QString StandinObjectStore::path(const QString &bucketName, const QString &objectName) {
    return QLatin1String(kPrefix) + QLatin1Char('/') + bucketName + QLatin1Char('/') + objectName;
}

QString StandinObjectStore::signature(const QString &secret, const QByteArray &stringToSign) {
    return QString::fromLatin1(
        QMessageAuthenticationCode::hash(stringToSign, secret.toUtf8(), QCryptographicHash::Sha1).toBase64());
}

StandinReply StandinObjectStore::handle(StandinFileJobs &jobs, qint64 jobId, const StandinRequest &request) {
    StandinFileJobs::VoiceJob *job = jobs.voiceJob(jobId);
    if (!job)
        return StandinReply::raw(QByteArray(), "application/xml", 404);
    if (request.method != "PUT")
        return StandinReply::raw(QByteArray(), "application/xml", 405);

    const auto item = [&request](const char *name) {
        return request.query.queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
    };
    if (item("OSSAccessKeyId") != job->accessKeyId)
        return denied("InvalidAccessKeyId", "The access key id does not exist.");
    bool expiresOk = false;
    const qint64 expires = item("Expires").toLongLong(&expiresOk);
    if (!expiresOk || expires < QDateTime::currentSecsSinceEpoch())
        return denied("AccessDenied", "Request has expired.");
    if (item("security-token") != job->securityToken)
        return denied("InvalidSecurityToken", "The security token is not valid.");

    QString resource = QLatin1Char('/') + job->bucketName + QLatin1Char('/') + job->objectName;
    if (!job->securityToken.isEmpty())
        resource += QStringLiteral("?security-token=") + job->securityToken;
    const QByteArray stringToSign = "PUT\n" + request.header("content-md5") + '\n' +
                                    request.header("content-type") + '\n' + QByteArray::number(expires) +
                                    '\n' + resource.toUtf8();
    if (item("Signature") != signature(job->accessKeySecret, stringToSign))
        return denied("SignatureDoesNotMatch", "The request signature we calculated does not match.");

    const QString target = jobs.objectPath(job->bucketName, job->objectName);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(request.body) != request.body.size() || !file.commit())
        return StandinReply::raw(QByteArray(), "application/xml", 500);
    job->uploaded = true;
    job->fileSize = request.body.size();
    return StandinReply::raw(QByteArray(), "application/xml", 200);
}
