#include "StandinFileJobs.h"

#include "StandinServer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QUrl>

#include <algorithm>

StandinFileJobs::StandinFileJobs(StandinServer &server)
    : QObject(&server)
    , m_server(server) {
    seed();
}

StandinFileJobs *StandinFileJobs::of(StandinServer &server) {
    return server.findChild<StandinFileJobs *>(QString(), Qt::FindDirectChildrenOnly);
}

QJsonObject StandinFileJobs::fixture() const {
    return m_server.state().fixture(QStringLiteral("file_jobs")).toObject();
}

qint64 StandinFileJobs::pageSize() const {
    return std::max<qint64>(1, fixture().value(QStringLiteral("pageSize")).toInteger(10));
}

QString StandinFileJobs::now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString StandinFileJobs::randomText(int bytes) {
    QByteArray random(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(random.data()), bytes / 4);
    return QString::fromLatin1(random.toHex());
}

void StandinFileJobs::seed() {
    const QJsonObject data = fixture();
    for (const QJsonValue &value : data.value(QStringLiteral("documentJobs")).toArray()) {
        const QJsonObject entry = value.toObject();
        DocumentJob job;
        job.consumerId = entry.value(QStringLiteral("consumerId")).toInteger();
        job.sourceFileName = entry.value(QStringLiteral("sourceFileName")).toString();
        job.createTime = entry.value(QStringLiteral("createTime")).toString();
        job.status = entry.value(QStringLiteral("status")).toInt();
        job.price = entry.value(QStringLiteral("price")).toInteger();
        job.started = true;
        job.looks = 1;
        job.content = QStringLiteral("【译文】%1\n").arg(job.sourceFileName).toUtf8();
        addDocumentJob(job);
    }
    for (const QJsonValue &value : data.value(QStringLiteral("voiceJobs")).toArray()) {
        const QJsonObject entry = value.toObject();
        VoiceJob job;
        job.consumerId = entry.value(QStringLiteral("consumerId")).toInteger();
        job.fileName = entry.value(QStringLiteral("fileName")).toString();
        job.durationSec = entry.value(QStringLiteral("durationSec")).toInteger();
        job.translateTime = entry.value(QStringLiteral("translateTime")).toString();
        job.status = entry.value(QStringLiteral("status")).toInt();
        job.price = entry.value(QStringLiteral("price")).toInteger();
        job.transcript = entry.value(QStringLiteral("transcript")).toString();
        job.announced = job.uploaded = job.ended = true;
        job.looks = 1;
        addVoiceJob(job);
    }
}

QList<StandinFileJobs::DocumentJob> StandinFileJobs::documentJobs(qint64 consumerId) const {
    QList<DocumentJob> jobs;
    for (const DocumentJob &job : m_documents) {
        if (job.consumerId == consumerId)
            jobs.append(job);
    }
    return jobs;
}

StandinFileJobs::DocumentJob *StandinFileJobs::documentJob(qint64 id) {
    const auto it =
        std::find_if(m_documents.begin(), m_documents.end(), [id](const auto &j) { return j.id == id; });
    return it == m_documents.end() ? nullptr : &*it;
}

StandinFileJobs::DocumentJob &StandinFileJobs::addDocumentJob(DocumentJob job) {
    job.id = m_nextId++;
    if (job.targetFileName.isEmpty()) {
        const QString name = job.sourceFileName;
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        job.targetFileName = dot > 0 ? QString(name.left(dot) + QStringLiteral("_translated") + name.mid(dot))
                                     : QString(name + QStringLiteral("_translated"));
    }
    m_documents.append(job);
    return m_documents.last();
}

QList<StandinFileJobs::VoiceJob> StandinFileJobs::voiceJobs(qint64 consumerId) const {
    QList<VoiceJob> jobs;
    for (const VoiceJob &job : m_voices) {
        if (job.consumerId == consumerId)
            jobs.append(job);
    }
    return jobs;
}

StandinFileJobs::VoiceJob *StandinFileJobs::voiceJob(qint64 id) {
    const auto it =
        std::find_if(m_voices.begin(), m_voices.end(), [id](const auto &j) { return j.id == id; });
    return it == m_voices.end() ? nullptr : &*it;
}

StandinFileJobs::VoiceJob *StandinFileJobs::voiceJobForAccessKey(const QString &accessKeyId) {
    const auto it = std::find_if(m_voices.begin(), m_voices.end(), [&accessKeyId](const auto &j) {
        return !accessKeyId.isEmpty() && j.accessKeyId == accessKeyId;
    });
    return it == m_voices.end() ? nullptr : &*it;
}

StandinFileJobs::VoiceJob &StandinFileJobs::addVoiceJob(VoiceJob job) {
    job.id = m_nextId++;
    m_voices.append(job);
    return m_voices.last();
}

void StandinFileJobs::clearJobs(qint64 consumerId) {
    m_documents.removeIf([consumerId](const DocumentJob &j) { return j.consumerId == consumerId; });
    m_voices.removeIf([consumerId](const VoiceJob &j) { return j.consumerId == consumerId; });
}

QString StandinFileJobs::issueCheckKey(const DocumentCheck &check) {
    const QString key = randomText(16);
    m_checks.insert(key, check);
    return key;
}

std::optional<StandinFileJobs::DocumentCheck> StandinFileJobs::takeCheck(const QString &key) {
    const auto it = m_checks.find(key);
    if (it == m_checks.end())
        return std::nullopt;
    const DocumentCheck check = it.value();
    m_checks.erase(it);
    return check;
}

QString StandinFileJobs::statusText(const QString &group, int status) const {
    return fixture().value(group).toObject().value(QString::number(status)).toString();
}

QString StandinFileJobs::resultPath(const DocumentJob &job) const {
    return QStringLiteral("/results/document/%1/%2").arg(job.id).arg(job.targetFileName);
}

QString StandinFileJobs::resultUrl(const DocumentJob &job) const {
    if (!job.targetFileUrl.isEmpty())
        return job.targetFileUrl;
    return m_server.baseUrl().toString() + QStringLiteral("/results/document/%1/").arg(job.id) +
           QString::fromLatin1(QUrl::toPercentEncoding(job.targetFileName));
}

QString StandinFileJobs::objectPath(const QString &bucketName, const QString &objectName) const {
    return QDir(m_server.dataDir())
        .filePath(QStringLiteral("objectstore/") + bucketName + QLatin1Char('/') + objectName);
}

QByteArray StandinFileJobs::storedObject(const QString &bucketName, const QString &objectName) const {
    QFile file(objectPath(bucketName, objectName));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject StandinFileJobs::paged(const QJsonArray &all, qint64 pageNum, qint64 pageSize) {
    const qint64 total = all.size();
    const qint64 pages = (total + pageSize - 1) / pageSize;
    QJsonArray list;
    if (pageNum >= 1 && pageNum <= pages) {
        for (qint64 i = (pageNum - 1) * pageSize; i < std::min(total, pageNum * pageSize); ++i)
            list.append(all.at(i));
    }
    const qint64 startRow = list.isEmpty() ? 0 : (pageNum - 1) * pageSize + 1;
    return QJsonObject{
        {QStringLiteral("pageNum"), pageNum},
        {QStringLiteral("pageSize"), pageSize},
        {QStringLiteral("size"), list.size()},
        {QStringLiteral("startRow"), startRow},
        {QStringLiteral("endRow"), list.isEmpty() ? 0 : startRow + list.size() - 1},
        {QStringLiteral("total"), total},
        {QStringLiteral("pages"), pages},
        {QStringLiteral("prePage"), pageNum > 1 ? std::min(pageNum - 1, std::max<qint64>(pages, 1)) : 0},
        {QStringLiteral("nextPage"), pageNum < pages ? std::max<qint64>(pageNum + 1, 1) : 0},
        {QStringLiteral("isFirstPage"), pageNum == 1},
        {QStringLiteral("isLastPage"), pageNum == pages || pages == 0},
        {QStringLiteral("hasPreviousPage"), pageNum > 1},
        {QStringLiteral("hasNextPage"), pageNum < pages},
        {QStringLiteral("navigatePages"), 8},
        {QStringLiteral("navigateFirstPage"), pages > 0 ? 1 : 0},
        {QStringLiteral("navigateLastPage"), pages},
        {QStringLiteral("list"), list},
    };
}

QJsonObject StandinFileJobs::documentPage(qint64 consumerId, qint64 pageNum) {
    QJsonArray all;
    for (auto it = m_documents.rbegin(); it != m_documents.rend(); ++it) {
        DocumentJob &job = *it;
        if (job.consumerId != consumerId || !job.started)
            continue;
        if (job.status == 1 && job.looks >= 1)
            job.status = 3;
        ++job.looks;
        all.append(QJsonObject{
            {QStringLiteral("sourceFileName"), job.sourceFileName},
            {QStringLiteral("createTime"), job.createTime},
            {QStringLiteral("targetFileUrl"), job.status == 3 ? resultUrl(job) : QString()},
            {QStringLiteral("translateStatus"), job.status},
            {QStringLiteral("translateStatusStr"), statusText(QStringLiteral("documentStatus"), job.status)},
            {QStringLiteral("translateTotalPriceStr"), QStringLiteral("%1点").arg(job.price)},
        });
    }
    return paged(all, pageNum, pageSize());
}

QJsonObject StandinFileJobs::voicePage(qint64 consumerId, qint64 pageNum) {
    QJsonArray all;
    for (auto it = m_voices.rbegin(); it != m_voices.rend(); ++it) {
        VoiceJob &job = *it;
        if (job.consumerId != consumerId || !job.announced)
            continue;
        if (job.status == 1 && job.looks >= 1) {
            job.status = 3;
            if (job.transcript.isEmpty())
                job.transcript =
                    QStringLiteral("【转写】%1（%2 秒）\n").arg(job.fileName).arg(job.durationSec);
        }
        ++job.looks;
        all.append(QJsonObject{
            {QStringLiteral("id"), job.id},
            {QStringLiteral("fileName"), job.fileName},
            {QStringLiteral("translateStatus"), job.status},
            {QStringLiteral("translateStatusStr"), statusText(QStringLiteral("voiceStatus"), job.status)},
            {QStringLiteral("translateTime"), job.translateTime},
            {QStringLiteral("translateTotalPrice"), double(job.price)},
            {QStringLiteral("translateTotalPriceStr"), QStringLiteral("%1点").arg(job.price)},
        });
    }
    return paged(all, pageNum, pageSize());
}
