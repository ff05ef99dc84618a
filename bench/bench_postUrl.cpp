// Requests per second of MLNetRequestManager::postUrl against the stand-in on loopback (the stand-in runs
// on its own thread, so its work does not count as ours), and the share of a round trip spent in our
// client code: building the envelope and the request, and judging the answer.
#include "StandinServer.h"

#include "core/net/MLAnswerJudge.h"
#include "core/net/MLEncryptOperation.h"
#include "core/net/MLNetRequestManager.h"
#include "core/net/MLRequestHeaderFields.h"
#include "core/net/MLServiceOrigins.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"
#include "platform/http/MLHttpTransport.h"
#include "platform/kit/MLUserDefaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>

namespace {

struct Call {
    QString path;
    QJsonObject parameters;
};

struct Run {
    double seconds = 0;
    double clientSeconds = 0; // time inside the synchronous part of the calls (envelope + postUrl)
    int failures = 0;
};

// `total` requests with `inFlight` of them outstanding at any time.
Run runRequests(MLNetRequestManager &manager, const Call &call, int total, int inFlight) {
    Run run;
    int started = 0;
    int finished = 0;
    QEventLoop loop;
    QElapsedTimer clock;
    std::function<void()> startOne = [&] {
        if (started >= total)
            return;
        ++started;
        QElapsedTimer own;
        own.start();
        manager.postUrl(
            call.path, MLEncryptOperation::returnRequestJsonToDic(call.parameters),
            [&](const QJsonObject &) {
                if (++finished == total)
                    loop.quit();
                startOne();
            },
            [&](const QString &, const QString &) {
                ++run.failures;
                if (++finished == total)
                    loop.quit();
                startOne();
            },
            &loop);
        run.clientSeconds += own.nsecsElapsed() / 1e9;
    };
    clock.start();
    for (int i = 0; i < inFlight; ++i)
        startOne();
    loop.exec();
    run.seconds = clock.nsecsElapsed() / 1e9;
    return run;
}

void measure(MLNetRequestManager &manager, MLUserManager &users, const Call &call, int total) {
    runRequests(manager, call, 200, 1); // warm-up: connections, caches
    const Run serial = runRequests(manager, call, total, 1);
    const Run parallel = runRequests(manager, call, total, 6);

    // Our side of one request, timed apart: the envelope, the request with its header fields, and the
    // judging of a real answer (digest check included).
    MLHttpTransport::Answer answer;
    {
        QEventLoop loop;
        manager.postUrl(
            call.path, MLEncryptOperation::returnRequestJsonToDic(call.parameters),
            [&](const QJsonObject &object) {
                answer.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
                loop.quit();
            },
            [&](const QString &, const QString &) { loop.quit(); }, &loop);
        loop.exec();
    }
    const int rounds = 3000;
    auto timeOf = [&](auto &&work) {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < rounds; ++i)
            work();
        return clock.nsecsElapsed() / 1e6 / rounds;
    };
    const double envelopeMs =
        timeOf([&] { (void)MLEncryptOperation::returnRequestJsonToDic(call.parameters); });
    const double requestMs = timeOf([&] {
        QNetworkRequest request(QUrl(MLServiceOrigins::apiBaseUrl() + call.path));
        MLRequestHeaderFields::apply(request, users);
    });
    bool judged = true;
    const double judgeMs = timeOf(
        [&] { judged = MLAnswerJudge::judge(answer, MLAnswerJudge::Digest::Required).success && judged; });
    const double ownMs = envelopeMs + requestMs + judgeMs;
    const double roundTripMs = serial.seconds * 1e3 / total;

    std::printf("\n%s (answer of %lld bytes)\n", qPrintable(call.path),
                static_cast<long long>(answer.body.size()));
    std::printf("  one at a time : %7.0f requests/s, %.3f ms per round trip, %d failures\n",
                total / serial.seconds, roundTripMs, serial.failures);
    std::printf("  six in flight : %7.0f requests/s, %d failures\n", total / parallel.seconds,
                parallel.failures);
    std::printf("  our side      : %.4f ms per request = %.1f%% of a round trip%s\n", ownMs,
                100.0 * ownMs / roundTripMs, judged ? "" : " (JUDGING FAILED)");
    std::printf("                  envelope %.4f ms, request and header fields %.4f ms, judging %.4f ms\n",
                envelopeMs, requestMs, judgeMs);
    std::printf("  postUrl call  : %.4f ms (envelope made, request built and handed to the network)\n",
                serial.clientSeconds * 1e3 / total);
}

} // namespace

int main(int argc, char *argv[]) {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    const int total = argc > 1 ? QByteArray(argv[1]).toInt() : 3000;

    // The stand-in on a thread of its own.
    QThread serviceThread;
    serviceThread.start();
    std::unique_ptr<StandinServer> server;
    QObject anchor;
    anchor.moveToThread(&serviceThread);
    bool listening = false;
    QMetaObject::invokeMethod(
        &anchor,
        [&] {
            server = std::make_unique<StandinServer>();
            listening = server->listen(0);
        },
        Qt::BlockingQueuedConnection);
    if (!listening) {
        std::fprintf(stderr, "bench_postUrl: the stand-in cannot listen\n");
        return 1;
    }
    SecurityCore::recoverStoredKey();
    MLServiceOrigins::setApiBaseUrl(server->baseUrl().toString());

    QTemporaryDir dir;
    MLUserDefaults defaults(dir.filePath(QStringLiteral("bench.ini")));
    MLUserManager users(defaults);
    users.setCurrentUser(MLUserModel{server->state().demoToken()});
    MLHttpTransport transport;
    MLNetRequestManager manager(transport, users);

    const Call calls[] = {
        {QStringLiteral("/meInfo/getMeInfo"), {}},
        {QStringLiteral("/transLangue/getLanguageList"), {{QStringLiteral("languageType"), 12}}},
    };
    std::printf(
        "postUrl against the stand-in on loopback, %d requests per run; the stand-in on its own thread\n",
        total);
    for (const Call &call : calls)
        measure(manager, users, call, total);

    QMetaObject::invokeMethod(
        &anchor, [&] { server.reset(); }, Qt::BlockingQueuedConnection);
    serviceThread.quit();
    serviceThread.wait();
    return 0;
}
