#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class StandinServer;

// The stand-in service's document and audio jobs, per account, in memory: what the file routes keep
// between calls, seeded from the fixture "file_jobs". Jobs in progress finish on their own as they
// are looked at: a started job shows as running in the first history page that lists it and as
// finished in every later one.
class StandinFileJobs final : public QObject {
    Q_OBJECT
public:
    struct DocumentJob {
        qint64 id = 0;
        qint64 consumerId = 0;
        QString sourceFileName;
        QString targetFileName;
        QString targetFileUrl; // set for jobs whose address is not the stand-in's own (tests)
        QString createTime;
        QString sourceLanguage;
        QString targetLanguage;
        int status = 0;
        bool started = false;
        int looks = 0;
        qint64 price = 0;
        QByteArray content; // the uploaded document, served as the result
    };

    struct VoiceJob {
        qint64 id = 0;
        qint64 consumerId = 0;
        QString fileName;
        qint64 fileSize = 0;
        qint64 durationSec = 0;
        QString bucketName;
        QString objectName;
        QString accessKeyId;
        QString accessKeySecret;
        QString securityToken;
        QString translateTime;
        int status = 0;
        bool announced = false;
        bool uploaded = false;
        bool ended = false;
        int looks = 0;
        qint64 price = 0;
        QString transcript;
    };

    // A document check: what the upload under its key must match.
    struct DocumentCheck {
        qint64 consumerId = 0;
        QString fileName;
        qint64 fileSize = 0;
        QString sourceLanguage;
        QString targetLanguage;
    };

    explicit StandinFileJobs(StandinServer &server);

    // The jobs of the server (made by StandinFileRoutes::install).
    static StandinFileJobs *of(StandinServer &server);

    QJsonObject fixture() const;
    qint64 pageSize() const;

    QList<DocumentJob> documentJobs(qint64 consumerId) const;
    DocumentJob *documentJob(qint64 id);
    DocumentJob &addDocumentJob(DocumentJob job);
    QList<VoiceJob> voiceJobs(qint64 consumerId) const;
    VoiceJob *voiceJob(qint64 id);
    VoiceJob *voiceJobForAccessKey(const QString &accessKeyId);
    VoiceJob &addVoiceJob(VoiceJob job);
    // Forgets every job of the account.
    void clearJobs(qint64 consumerId);

    QString issueCheckKey(const DocumentCheck &check);
    std::optional<DocumentCheck> takeCheck(const QString &key);

    // The history pages: the account's listed jobs, newest first, as a paged answer.
    QJsonObject documentPage(qint64 consumerId, qint64 pageNum);
    QJsonObject voicePage(qint64 consumerId, qint64 pageNum);

    // The address of a document's result on this server, and the path its route serves.
    QString resultPath(const DocumentJob &job) const;
    QString resultUrl(const DocumentJob &job) const;

    // The object store's copy of an uploaded object, empty when none arrived.
    QByteArray storedObject(const QString &bucketName, const QString &objectName) const;
    QString objectPath(const QString &bucketName, const QString &objectName) const;

    static QString now();
    static QString randomText(int bytes);

private:
    void seed();
    static QJsonObject paged(const QJsonArray &all, qint64 pageNum, qint64 pageSize);
    QString statusText(const QString &group, int status) const;

    StandinServer &m_server;
    QList<DocumentJob> m_documents;
    QList<VoiceJob> m_voices;
    QHash<QString, DocumentCheck> m_checks;
    qint64 m_nextId = 1001;
};
