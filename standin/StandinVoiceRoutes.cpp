#include "StandinVoiceRoutes.h"

#include "StandinFileJobs.h"
#include "StandinObjectStore.h"
#include "StandinServer.h"

#include <QFileInfo>
#include <QJsonArray>

namespace {

StandinReply refuse(const QString &message) {
    return StandinReply::failure(QStringLiteral("DIA007"), message);
}

QStringList voiceTypes(const StandinFileJobs &jobs) {
    QStringList types;
    const QJsonArray list = jobs.fixture()
                                .value(QStringLiteral("voiceConfig"))
                                .toObject()
                                .value(QStringLiteral("macTypeList"))
                                .toArray();
    for (const QJsonValue &type : list)
        types << type.toString().toLower();
    return types;
}

// The job of the request's account that the upload parameters name.
StandinFileJobs::VoiceJob *namedJob(StandinFileJobs &jobs, const StandinRequest &request) {
    const QJsonObject &p = request.params;
    StandinFileJobs::VoiceJob *job =
        jobs.voiceJob(p.value(QStringLiteral("translateId")).toVariant().toLongLong());
    if (!job || job->consumerId != request.consumerId ||
        job->objectName != p.value(QStringLiteral("objectName")).toString() ||
        job->fileName != p.value(QStringLiteral("fileName")).toString())
        return nullptr;
    return job;
}

QString durationText(qint64 seconds) {
    return seconds >= 60
               ? QStringLiteral("%1分%2秒").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'))
               : QStringLiteral("%1秒").arg(seconds);
}

} // namespace

void StandinVoiceRoutes::install(StandinServer &server, StandinFileJobs &jobs) {
    server.route(QStringLiteral("/voiceTranslate/getVoiceTranslateConfig"), [&jobs](const StandinRequest &) {
        return StandinReply::success(jobs.fixture().value(QStringLiteral("voiceConfig")));
    });

    server.route(
        QStringLiteral("/voiceTranslate/calculateTranslateCost"),
        [&server, &jobs](const StandinRequest &request) {
            const QJsonObject &p = request.params;
            const QString fileName = p.value(QStringLiteral("fileName")).toString();
            const QString extension = QFileInfo(fileName).suffix().toLower();
            const QJsonValue duration = p.value(QStringLiteral("durationSec"));
            if (!voiceTypes(jobs).contains(extension))
                return refuse(QStringLiteral("不支持的音频格式"));
            if (!duration.isDouble() || duration.toDouble() < 0)
                return refuse(QStringLiteral("音频时长无效"));
            StandinFileJobs::VoiceJob job;
            job.consumerId = request.consumerId;
            job.fileName = fileName;
            job.fileSize = p.value(QStringLiteral("fileSize")).toVariant().toLongLong();
            job.durationSec = duration.toInteger();
            job.price = std::max<qint64>(1, (job.durationSec + 299) / 300);
            if (!request.account->canPay(double(job.price)))
                return server.state().error(QStringLiteral("balanceShort"));
            job.bucketName = QLatin1String(kBucketName);
            job.accessKeyId = QStringLiteral("STS.") + StandinFileJobs::randomText(8);
            job.accessKeySecret = StandinFileJobs::randomText(16);
            job.securityToken = StandinFileJobs::randomText(16);
            StandinFileJobs::VoiceJob &added = jobs.addVoiceJob(job);
            // The object's key is the service's own, never the user's file name.
            added.objectName =
                QStringLiteral("voice/%1/%2.%3").arg(added.consumerId).arg(added.id).arg(extension);
            const qint64 id = added.id;
            server.route(
                StandinObjectStore::path(added.bucketName, added.objectName),
                [&jobs, id](const StandinRequest &put) { return StandinObjectStore::handle(jobs, id, put); },
                StandinRouteKind::Raw, false);
            const QString endpoint = server.baseUrl().toString() + QLatin1String(StandinObjectStore::kPrefix);
            const QString desc = QStringLiteral("音频时长 %1，本次转写预计消耗 %2 点，是否确认转写？")
                                     .arg(durationText(added.durationSec))
                                     .arg(added.price);
            return StandinReply::success(QJsonObject{
                {QStringLiteral("accessKeyId"), added.accessKeyId},
                {QStringLiteral("accessKeySecret"), added.accessKeySecret},
                {QStringLiteral("securityToken"), added.securityToken},
                {QStringLiteral("bucketName"), added.bucketName},
                {QStringLiteral("endpoint"), endpoint},
                {QStringLiteral("objectName"), added.objectName},
                {QStringLiteral("translateDesc"), desc},
                {QStringLiteral("translateId"), id},
            });
        });

    server.route(QStringLiteral("/voiceTranslate/startUploadFile"), [&jobs](const StandinRequest &request) {
        StandinFileJobs::VoiceJob *job = namedJob(jobs, request);
        if (!job)
            return refuse(QStringLiteral("转写任务不存在"));
        if (job->announced)
            return refuse(QStringLiteral("文件已在上传"));
        job->announced = true;
        job->status = 0;
        job->translateTime = StandinFileJobs::now();
        return StandinReply::success();
    });

    server.route(QStringLiteral("/voiceTranslate/endUploadFile"),
                 [&server, &jobs](const StandinRequest &request) {
                     StandinFileJobs::VoiceJob *job = namedJob(jobs, request);
                     if (!job || !job->announced)
                         return refuse(QStringLiteral("转写任务不存在"));
                     if (!job->uploaded)
                         return refuse(QStringLiteral("文件未上传完成"));
                     if (job->ended)
                         return refuse(QStringLiteral("转写任务已开始"));
                     // The price is charged when the job starts, after the upload.
                     if (!request.account->charge(double(job->price)))
                         return server.state().error(QStringLiteral("balanceShortAtStart"));
                     job->ended = true;
                     job->status = 1;
                     job->looks = 0;
                     return StandinReply::success();
                 });

    server.route(
        QStringLiteral("/voiceTranslate/getVoiceTranslateList"), [&jobs](const StandinRequest &request) {
            const qint64 pageNum = request.params.value(QStringLiteral("pageNum")).toVariant().toLongLong();
            return StandinReply::success(jobs.voicePage(request.consumerId, pageNum));
        });

    server.route(
        QStringLiteral("/voiceTranslate/downloadTranslateContent"),
        [&jobs](const StandinRequest &request) {
            if (request.method != "GET")
                return StandinReply::raw(QByteArray(), "text/plain", 405);
            const StandinFileJobs::VoiceJob *job =
                jobs.voiceJob(request.query.queryItemValue(QStringLiteral("id")).toLongLong());
            if (!job || job->consumerId != request.consumerId || job->status != 3) {
                StandinReply reply = refuse(QStringLiteral("转写结果不存在"));
                reply.httpStatus = 404;
                return reply;
            }
            return StandinReply::raw(job->transcript.toUtf8(), "text/plain; charset=utf-8");
        },
        StandinRouteKind::Raw, true);
}
