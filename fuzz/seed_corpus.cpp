// Writes the seed corpora of the fuzz targets into <folder>/answer and <folder>/mapper: the payloads
// of the stand-in's fixtures (every object and list in them), plain for the mapper and, for the answer
// judge, sealed as the stand-in seals its answers, under the fuzz targets' key (FuzzKey.h), each behind
// the status byte of a 200 answer. A failure answer and a payload-less success come too.
#include "FuzzKey.h"
#include "StandinEnvelope.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

// Every object and list in `value`, itself first.
void collect(const QJsonValue &value, QList<QJsonValue> &out) {
    if (value.isObject()) {
        out.append(value);
        for (const QJsonValue &inner : value.toObject())
            collect(inner, out);
    } else if (value.isArray()) {
        out.append(value);
        for (const QJsonValue &inner : value.toArray())
            collect(inner, out);
    }
}

bool writeSeed(const QDir &folder, const QByteArray &bytes) {
    QFile file(folder.filePath(
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex())));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: seed_corpus FOLDER\n");
        return 2;
    }
    setFuzzKey();
    const QDir root(QString::fromLocal8Bit(argv[1]));
    if (!root.mkpath(QStringLiteral("answer")) || !root.mkpath(QStringLiteral("mapper")))
        return 1;
    const QDir answers(root.filePath(QStringLiteral("answer")));
    const QDir mapper(root.filePath(QStringLiteral("mapper")));

    QList<QJsonValue> payloads;
    for (const QString &name : QDir(QStringLiteral(":/standin")).entryList({QStringLiteral("*.json")})) {
        QFile fixture(QStringLiteral(":/standin/") + name);
        if (!fixture.open(QIODevice::ReadOnly))
            continue;
        const QJsonDocument document = QJsonDocument::fromJson(fixture.readAll());
        collect(document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object()), payloads);
    }
    QList<StandinReply> replies{StandinReply::success(), StandinReply::failure(QStringLiteral("DIA005"),
                                                                               QStringLiteral("登录已失效"))};
    for (const QJsonValue &payload : payloads)
        replies.append(StandinReply::success(payload));

    int written = 0;
    for (const StandinReply &reply : replies) {
        const QByteArray sealed =
            QJsonDocument(StandinEnvelope::sealAnswer(reply, true)).toJson(QJsonDocument::Compact);
        written += writeSeed(answers, QByteArray(1, '\0') + sealed); // status byte 0: HTTP 200
        if (!reply.dt.isUndefined())
            written += writeSeed(mapper, (reply.dt.isArray() ? QJsonDocument(reply.dt.toArray())
                                                             : QJsonDocument(reply.dt.toObject()))
                                             .toJson(QJsonDocument::Compact));
    }
    std::printf("seed_corpus: %d seeds in %s\n", written, qPrintable(root.path()));
    return written > 0 ? 0 : 1;
}
