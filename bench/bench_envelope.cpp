// Request envelope round trip: what one request and its answer cost the client in cipher work, kept as
// a record (a network round trip costs thousands of times more). Builds a parameter object of about
// 2 KB, then repeats: envelope it as the request body (JSON, AES, hex, MD5), parse the envelope as the
// answer judge parses an answer, decrypt "dt", check that the payload is UTF-8 and its MD5 is "m5".
// Prints microseconds per round trip and per half, and ends with one line for scripts:
//   bench_envelope: round_trip_us=<x> envelope_us=<x> answer_us=<x> json_bytes=<n>
#include "core/net/MLAnswerJudge.h"
#include "core/net/MLEncryptOperation.h"
#include "core/security/SecurityCore.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

QJsonObject makeParameters() {
    QJsonObject parameters{
        {QStringLiteral("consumerId"), qint64(9007199254740993)},
        {QStringLiteral("languageType"), 1},
        {QStringLiteral("regionCode"), QStringLiteral("eastasia")},
        {QStringLiteral("fileName"), QStringLiteral(u"季度报告-终稿.docx")},
    };
    QJsonArray lines;
    for (int i = 0; i < 16; ++i)
        lines.append(
            QJsonObject{{QStringLiteral("index"), i},
                        {QStringLiteral("source"), QStringLiteral(u"今天的会议讨论了下一季度的翻译计划")},
                        {QStringLiteral("target"), QStringLiteral("Today's meeting covered the plan")}});
    parameters.insert(QStringLiteral("lines"), lines);
    return parameters;
}

} // namespace

int main(int argc, char *argv[]) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 50000;
    SecurityCore::setKey(QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c"),
                         QByteArray::fromHex("000102030405060708090a0b0c0d0e0f"));
    const QJsonObject parameters = makeParameters();
    const qsizetype jsonSize = QJsonDocument(parameters).toJson(QJsonDocument::Compact).size();

    // Keep results alive so nothing is optimised away.
    qsizetype sink = 0;
    int failures = 0;
    qint64 envelopeNs = 0;
    qint64 answerNs = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer part;
        part.start();
        const QByteArray envelope = MLEncryptOperation::returnRequestJsonToDic(parameters).toUtf8();
        envelopeNs += part.nsecsElapsed();
        part.restart();
        // As the answer judge reads a sealed answer: one parse, then the digest test of its payload.
        const QJsonObject answer = QJsonDocument::fromJson(envelope).object();
        if (!MLAnswerJudge::digestMatches(answer))
            ++failures;
        answerNs += part.nsecsElapsed();
        sink += answer.size();
    }
    const double totalUs = double(total.nsecsElapsed()) / 1000.0;

    std::printf("parameters: %lld bytes of JSON, %d rounds, %d digest mismatches\n",
                static_cast<long long>(jsonSize), rounds, failures);
    std::printf("round trip: %.2f us (envelope %.2f us, parse + decrypt + md5 check %.2f us)\n",
                totalUs / rounds, double(envelopeNs) / 1000.0 / rounds, double(answerNs) / 1000.0 / rounds);
    std::printf("bench_envelope: round_trip_us=%.2f envelope_us=%.2f answer_us=%.2f json_bytes=%lld\n",
                totalUs / rounds, double(envelopeNs) / 1000.0 / rounds, double(answerNs) / 1000.0 / rounds,
                static_cast<long long>(jsonSize));
    return failures == 0 && sink > 0 ? 0 : 1;
}
