// Cold start as a process: the app from its start to its main window's first frame (signed in, against
// the stand-in running in this process, offscreen), against a minimal Qt Widgets window built in the
// same tree (startup_hello), started the same way. The two alternate; each is started `runs` times
// (first argument, at least 10). Both report their first frame on the "ml.app.startup" log category;
// the time runs from just before the process is started to that line. The resident memory is read
// one second after the first frame, the process idle. Medians are reported.
// Targets: app_ms / hello_ms <= 2.0, app_rss_mb <= 50.
#include "BenchHome.h"

#include "core/session/MLUserManager.h"
#include "platform/kit/MLUserDefaults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

struct Run {
    double ms = 0;
    double rssMb = 0;
};

// Runs the event loop (the stand-in answers the app meanwhile) until `done` holds after one of the
// process's signals, or `milliseconds` pass.
bool waitFor(QProcess &process, const std::function<bool()> &done, int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    const auto check = [&] {
        if (done())
            loop.quit();
    };
    QObject::connect(&process, &QProcess::readyReadStandardError, &loop, check);
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

// VmRSS of a running process, in MB.
double residentMb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

std::optional<Run> start(const QString &program, const QProcessEnvironment &environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QByteArray log;
    QElapsedTimer clock;
    clock.start();
    process.start(program, {});
    const bool shown = waitFor(
        process,
        [&] {
            log += process.readAllStandardError();
            return log.contains("main window shown");
        },
        20000);
    Run run;
    run.ms = double(clock.nsecsElapsed()) / 1e6;
    if (!shown || process.state() != QProcess::Running) {
        std::fprintf(stderr, "bench_startup: %s did not show its window\n%s\n", qPrintable(program),
                     log.constData());
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    idle(1000); // idle after the first frame
    run.rssMb = residentMb(process.processId());
    process.kill();
    process.waitForFinished();
    return run;
}

} // namespace

int main(int argc, char *argv[]) {
    const BenchHome home;
    QApplication app(argc, argv);
    const int runs = qMax(10, argc > 1 ? QByteArray(argv[1]).toInt() : 10);
    BenchService service("bench_startup");
    if (!service.isListening())
        return 1;
    MLUserDefaults::standardUserDefaults().synchronize();

    QProcessEnvironment environment = service.environment();
    environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                       QStringLiteral("*.debug=false;ml.app.startup.info=true"));

    const QString appPath = QStringLiteral(ML_APP_PATH);
    const QString helloPath = QStringLiteral(ML_HELLO_PATH);
    // One unmeasured start of each first: the files of both are then in the page cache alike.
    if (!start(appPath, environment) || !start(helloPath, environment))
        return 1;
    QList<double> appMs, helloMs, appRss, helloRss;
    for (int i = 0; i < runs; ++i) {
        const std::optional<Run> a = start(appPath, environment);
        const std::optional<Run> h = start(helloPath, environment);
        if (!a || !h)
            return 1;
        appMs.append(a->ms);
        appRss.append(a->rssMb);
        helloMs.append(h->ms);
        helloRss.append(h->rssMb);
    }
    const double appMedian = median(appMs);
    const double helloMedian = median(helloMs);
    std::printf(
        "startup to the main window's first frame, %d runs each, alternated (medians; app "
        "%.1f..%.1f ms, hello %.1f..%.1f ms)\n",
        runs, *std::min_element(appMs.begin(), appMs.end()), *std::max_element(appMs.begin(), appMs.end()),
        *std::min_element(helloMs.begin(), helloMs.end()), *std::max_element(helloMs.begin(), helloMs.end()));
    std::printf("bench_startup: app_ms=%.1f hello_ms=%.1f ratio=%.2f app_rss_mb=%.1f hello_rss_mb=%.1f\n",
                appMedian, helloMedian, appMedian / helloMedian, median(appRss), median(helloRss));
    return 0;
}
