#include "StandinDocumentRoutes.h"

#include "StandinFileJobs.h"
#include "StandinServer.h"

#include "platform/objectstore/MLObjectStoreMimeType.h"

#include <QFileInfo>
#include <QJsonArray>

namespace {

QStringList documentExtensions(const StandinFileJobs &jobs) {
    QStringList extensions;
    const QJsonArray formats = jobs.fixture()
                                   .value(QStringLiteral("documentConfig"))
                                   .toObject()
                                   .value(QStringLiteral("value"))
                                   .toArray();
    for (const QJsonValue &format : formats) {
        for (const QJsonValue &extension :
             format.toObject().value(QStringLiteral("fileExtensions")).toArray())
            extensions << extension.toString().remove(QLatin1Char('.')).toLower();
    }
    return extensions;
}

StandinReply refuse(const QString &message) {
    return StandinReply::failure(QStringLiteral("DIA007"), message);
}

} // namespace

void StandinDocumentRoutes::serveResult(StandinServer &server, StandinFileJobs &jobs, qint64 jobId) {
    const StandinFileJobs::DocumentJob *job = jobs.documentJob(jobId);
    if (!job)
        return;
    server.route(
        jobs.resultPath(*job),
        [&jobs, jobId](const StandinRequest &request) {
            const StandinFileJobs::DocumentJob *job = jobs.documentJob(jobId);
            if (request.method != "GET")
                return StandinReply::raw(QByteArray(), "text/plain", 405);
            if (!job || job->status != 3)
                return StandinReply::raw(QByteArrayLiteral("not found"), "text/plain", 404);
            const QString type = MLObjectStoreMimeType::mimeTypeForFilePath(job->targetFileName, QString());
            return StandinReply::raw(job->content, type.toUtf8());
        },
        StandinRouteKind::Raw, false);
}

void StandinDocumentRoutes::install(StandinServer &server, StandinFileJobs &jobs) {
    for (const qint64 consumerId : server.state().consumerIds()) {
        for (const StandinFileJobs::DocumentJob &job : jobs.documentJobs(consumerId))
            serveResult(server, jobs, job.id);
    }

    server.route(QStringLiteral("/documentTranslate/getTranslateDescribe"), [&jobs](const StandinRequest &) {
        return StandinReply::success(jobs.fixture().value(QStringLiteral("documentConfig")));
    });

    server.route(QStringLiteral("/documentTranslate/checkTranslate"), [&jobs](const StandinRequest &request) {
        const QJsonObject &p = request.params;
        StandinFileJobs::DocumentCheck check;
        check.consumerId = request.consumerId;
        check.fileName = p.value(QStringLiteral("fileName")).toString();
        check.fileSize = p.value(QStringLiteral("fileSize")).toVariant().toLongLong();
        check.sourceLanguage = p.value(QStringLiteral("sourceLanguage")).toString();
        check.targetLanguage = p.value(QStringLiteral("targetLanguage")).toString();
        if (!documentExtensions(jobs).contains(QFileInfo(check.fileName).suffix().toLower()))
            return refuse(QStringLiteral("不支持的文件格式"));
        if (check.fileSize <= 0)
            return refuse(QStringLiteral("文件内容为空"));
        if (check.sourceLanguage.isEmpty() || check.targetLanguage.isEmpty())
            return refuse(QStringLiteral("请选择源语言和目标语言"));
        // The upload prices the document; the check's own job fields mean nothing to the client.
        return StandinReply::success(
            QJsonObject{{QStringLiteral("key"), jobs.issueCheckKey(check)},
                        {QStringLiteral("translateId"), QStringLiteral("0")},
                        {QStringLiteral("translateDesc"), QStringLiteral("检查通过")}});
    });

    server.route(
        QStringLiteral("/file/uploadTranslateFile"),
        [&server, &jobs](const StandinRequest &request) {
            const auto check = jobs.takeCheck(request.formFields.value(QStringLiteral("key")));
            const QString fileName = request.formFields.value(QStringLiteral("fileName"));
            if (!check || check->consumerId != request.consumerId || check->fileName != fileName)
                return refuse(QStringLiteral("上传凭证无效，请重新上传"));
            if (!request.hasFile || request.fileName != fileName ||
                request.fileData.size() != check->fileSize)
                return refuse(QStringLiteral("文件上传不完整，请重新上传"));
            StandinFileJobs::DocumentJob job;
            job.consumerId = request.consumerId;
            job.sourceFileName = fileName;
            job.sourceLanguage = check->sourceLanguage;
            job.targetLanguage = check->targetLanguage;
            job.content = request.fileData;
            job.price = std::max<qint64>(1, (request.fileData.size() + 999) / 1000);
            if (!request.account->canPay(double(job.price)))
                return server.state().error(QStringLiteral("balanceShort"));
            const qint64 id = jobs.addDocumentJob(job).id;
            serveResult(server, jobs, id);
            return StandinReply::success(
                QJsonObject{{QStringLiteral("translateId"), QString::number(id)},
                            {QStringLiteral("translateDesc"),
                             QStringLiteral("文档共 %1 字节，本次翻译预计消耗 %2 点，是否确认翻译？")
                                 .arg(request.fileData.size())
                                 .arg(job.price)}});
        },
        StandinRouteKind::Multipart);

    server.route(
        QStringLiteral("/documentTranslate/startTranslate"), [&server, &jobs](const StandinRequest &request) {
            bool ok = false;
            const qint64 id = request.params.value(QStringLiteral("translateId")).toVariant().toLongLong(&ok);
            StandinFileJobs::DocumentJob *job = ok ? jobs.documentJob(id) : nullptr;
            if (!job || job->consumerId != request.consumerId)
                return refuse(QStringLiteral("翻译任务不存在"));
            if (job->started)
                return refuse(QStringLiteral("翻译任务已开始"));
            // The price is charged when the job starts.
            if (!request.account->charge(double(job->price)))
                return server.state().error(QStringLiteral("balanceShortAtStart"));
            job->started = true;
            job->status = 1;
            job->looks = 0;
            job->createTime = StandinFileJobs::now();
            return StandinReply::success();
        });

    server.route(
        QStringLiteral("/documentTranslate/getTranslateList"), [&jobs](const StandinRequest &request) {
            const qint64 pageNum = request.params.value(QStringLiteral("pageNum")).toVariant().toLongLong();
            return StandinReply::success(jobs.documentPage(request.consumerId, pageNum));
        });
}
