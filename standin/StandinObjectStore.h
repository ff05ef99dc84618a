#pragma once

#include "StandinReply.h"
#include "StandinRequest.h"

#include <QString>

class StandinFileJobs;

// The stand-in's object store: PUTs to presigned addresses "<endpoint>/<bucket>/<object>" of the audio
// jobs. A PUT is taken only with the job's key id, before its expiry, with the signature of its own
// canonical string (method, Content-MD5, Content-Type as sent, expiry, "/bucket/object" and the
// security token) under the job's secret; the body is stored under the server's data folder.
class StandinObjectStore final {
public:
    StandinObjectStore() = delete;

    // The path of the object's address on the server ("/oss/<bucket>/<object>").
    static QString path(const QString &bucketName, const QString &objectName);
    static constexpr const char *kPrefix = "/oss";

    // Answers one request to the object's address.
    static StandinReply handle(StandinFileJobs &jobs, qint64 jobId, const StandinRequest &request);

    // The expected signature, computed on the service's side.
    static QString signature(const QString &secret, const QByteArray &stringToSign);
};
