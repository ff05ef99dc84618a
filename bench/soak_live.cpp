// soak_live: one live session of each tier for a simulated ten hours, in minutes of wall time, through
// the real code, and the checks that nothing leaks and nothing is lost.
//
// Each tier runs its real mode page (shown offscreen, so its subtitle table and the floating
// window's controller take every caption) on an engine against the in-process stand-in: usage
// reports, speech endpoint, text translation. One engine tick is one simulated second, shortened to
// a few milliseconds. A generated signal stands in for the microphone: every five seconds one
// sentence (a tone and a pause), which the engine's recorder records and the stand-in recognises.
// The stand-in's metering runs on the simulated clock, so the text-translation authorisation expires
// every ten simulated minutes and is renewed. Faults come at a low rate: a usage report answered
// "DIA003" (the balance runs low), a usage report answered late, the speech connection dropped
// (made again by the engine). At the end the user clicks stop, and the runner checks:
//   lost=0 and transcript_lines=captions  every final sentence the stand-in sent is in
//                                         "recording.txt", complete and in order, and nothing else;
//   rss_per_kline_kb <= 1000              memory grows by at most 1 KB per caption line (resident
//                                         anonymous memory, from the end of a warm-up, a tenth of the
//                                         run or 12 minutes, to the end of the session); judged in runs
//                                         of 10 simulated hours or more only, printed otherwise: over
//                                         a shorter run the allocator's own swings outweigh the lines;
//   fds_start=fds_end, connections_end=0  no file, listening socket, connection or engine timer left
//     timers_end=0                        behind (the fds are those the process keeps: its TCP
//                                         connections, which come and go with requests, are not
//                                         among them; none is left once the network has settled);
//   recording_s ~ audio_s                 "recording.m4a" holds all the audio fed;
//   history_rows=1, reports=expected      one history row; the usage reports the stand-in counted
//                                         are those the ticks call for (one at the start, then one
//                                         every 30 ticks).
// p99_callback_ms is the page's handling of the engine's data callback (model, row heights,
// scroll, floating controller), reported only.
//
// The simulated clock never outruns the network: a usage report still unanswered 6 ticks after it
// was due holds the engine's timer until it is answered, so a busy machine's latency is never
// taken for a stalled service.
//
// Usage: soak_live [--hours H] [--tick-ms T] [--tier normal|lowprice|both] [--verbose]
// (defaults: 10 hours, 4 ms, both). Exits 1 when a check fails. CTest runs "--hours 1", which checks
// all but the memory; the ten-hour run by hand judges that too.
#include "app/AppDelegate.h"
#include "live/engine/LowpriceTranslationHelp.h"
#include "live/engine/NormalTranslationHelp.h"
#include "live/ui/MLLowpriceTranslationView.h"
#include "live/ui/MLNormalTranslationView.h"
#include "live/ui/NSTranslationSonView.h"
#include "platform/audio/MLMediaBackend.h"
#include "platform/http/MLHttpTransport.h"
#include "support/LiveEngineHarness.h"
#include "support/LiveUiSupport.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"
#include "support/TestAudioInputs.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QSslSocket>
#include <QThreadPool>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <numeric>
#include <tuple>
#include <utility>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace ml::test;

namespace {

constexpr int kSentenceEveryTicks = 5;
constexpr int kReportEveryTicks = 30;
// A report this many ticks overdue holds the clock (the stall guard trips at 11).
constexpr int kHoldAfterTicks = 6;
constexpr int kHoldMaxMs = 30000;
constexpr qint64 kDefaultLowBalanceSeconds = 5 * 60;
// Fault schedule in simulated seconds: the first one, then one every period.
// Each fault first comes within the warm-up, so what it first allocates is not taken for growth.
constexpr int kLowBalanceFirst = 2 * 60, kLowBalanceEvery = 47 * 60;
constexpr int kSlowAnswerFirst = 3 * 60, kSlowAnswerEvery = 53 * 60;
constexpr int kDropFirst = 4 * 60, kDropEvery = 61 * 60;
// The warm-up: a tenth of the run, at least past the first expiry of a text-translation
// authorisation (10 minutes).
constexpr qint64 kMinWarmupTicks = 12 * 60;
constexpr int kSlowAnswerTicks = 3;
constexpr double kMaxRecordingGapSeconds = 1.0;
constexpr double kMaxKbPerKline = 1000;
// Memory growth per line is judged over at least this many simulated hours (about 6,500 lines after
// the warm-up); over one hour (under 600 lines) a few hundred KB the allocator keeps or returns swing
// it past the limit and back.
constexpr double kMemoryJudgedFromHours = 10;
constexpr int kCallbackBuckets = 100000; // up to 100 ms, by the microsecond

// Under AddressSanitizer freed memory waits in quarantine, so resident memory says nothing of leaks
// (LeakSanitizer tells them instead); the memory figures are printed but not checked.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryChecked = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMemoryChecked = false;
#else
constexpr bool kMemoryChecked = true;
#endif
#else
constexpr bool kMemoryChecked = true;
#endif

struct Options {
    double hours = 10;
    int tickMs = 4;
    bool verbose = false;

    bool memoryJudged() const { return kMemoryChecked && hours >= kMemoryJudgedFromHours; }
};

bool occurs(qint64 tick, int first, int every) {
    return tick >= first && (tick - first) % every == 0;
}

// Waits in a plain event loop (timers run at their own pace) until `done` holds or `timeoutMs` passed.
template <class Predicate> bool waitUntil(Predicate done, int timeoutMs) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > timeoutMs)
            loop.quit();
    });
    poll.start(20);
    loop.exec();
    return done();
}

// Resident anonymous memory (heap and stacks, "RssAnon"); the libraries' pages, which the kernel
// may drop and read in again under memory pressure, are left out.
double residentMb() {
#ifdef __GLIBC__
    malloc_trim(0); // what the allocator holds free is not what the program keeps
#endif
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("RssAnon:"))
            return double(line.mid(8).trimmed().split(' ').value(0).toLongLong()) / 1024.0;
    }
    return 0;
}

// The process's TCP sockets, by inode: "listen 0100007F:A10F", "01 0100007F:B6FC>0100007F:A10F"
// (the kernel's state number, then the local and the remote end, in the kernel's hex).
QHash<QString, QString> tcpSockets() {
    QHash<QString, QString> sockets;
    for (const char *table : {"/proc/self/net/tcp", "/proc/self/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (const QByteArray &line : lines.mid(1)) {
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() < 10)
                continue;
            const QString state = QString::fromLatin1(f[3]);
            sockets.insert(QString::fromLatin1(f[9]),
                           state == QLatin1String("0A")
                               ? QStringLiteral("listen %1").arg(QString::fromLatin1(f[1]))
                               : QStringLiteral("%1 %2>%3")
                                     .arg(state, QString::fromLatin1(f[1]), QString::fromLatin1(f[2])));
        }
    }
    return sockets;
}

// What each open file descriptor refers to, sorted: a path, "anon_inode:", "pipe:" or, for a TCP
// socket, what it is ("socket: listen 0100007F:A10F", "socket: 01 0100007F:B6FC>0100007F:8EEB").
QStringList openFileDescriptorTargets() {
    const QHash<QString, QString> tcp = tcpSockets();
    QStringList targets;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        const QString kind = target.section(u'[', 0, 0);
        const QString inode = target.section(u'[', 1).remove(u']'); // "socket:[inode]"; empty for a path
        targets << (tcp.contains(inode) ? kind + QLatin1Char(' ') + tcp.value(inode) : kind);
    }
    targets.sort();
    return targets;
}

// The names of the process's threads ("Thread (pooled)" for a thread pool's worker).
QStringList threadNames() {
    QStringList names;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromUtf8(comm.readAll().trimmed());
    }
    names.sort();
    return names;
}

// A TCP connection, open or closing (the kernel's state is not "listen").
bool isConnection(const QString &target) {
    static const QRegularExpression connection(QStringLiteral("^socket: [0-9A-F]{2} "));
    return connection.match(target).hasMatch();
}

// The descriptors the process keeps (files, pipes, listening sockets and the like), and its TCP
// connections, which come and go with requests.
std::pair<QStringList, QStringList> descriptorTargets() {
    std::pair<QStringList, QStringList> keptAndConnections;
    for (const QString &target : openFileDescriptorTargets())
        (isConnection(target) ? keptAndConnections.second : keptAndConnections.first) << target;
    return keptAndConnections;
}

struct Figures {
    int captions = 0;
    int transcriptLines = 0;
    int lost = 0;
    double rssStartMb = 0;
    double rssEndMb = 0;
    double rssPerKlineKb = 0;
    int fdsStart = 0;
    QStringList fdTargetsStart;
    QStringList fdTargetsEnd;
    int fdsEnd = 0;
    QStringList connectionsEnd;
    QStringList threadsStart;
    QStringList threadsEnd;
    int timersStart = 0;
    int timersEnd = 0;
    double recordingS = 0;
    double audioS = 0;
    int historyRows = 0;
    int reports = 0;
    int expectedReports = 0;
    double p99CallbackMs = 0;
    // Faults and the like, for the second line.
    int lowBalance = 0;
    int slowAnswers = 0;
    int drops = 0;
    int reconnects = 0;
    int renewals = 0;
    int holds = 0;
    qint64 ticks = 0;
    double wallS = 0;
};

template <class Engine, class Page> class TierSoak {
public:
    TierSoak(const Options &options, const QString &pageKey)
        : m_options(options)
        , m_runTicks(qint64(options.hours * 3600))
        , m_warmupTicks(qMin(m_runTicks / 2, qMax(m_runTicks / 10, kMinWarmupTicks))) {
        m_app.applicationDidFinishLaunching();
        ml::test::storeLanguage(pageKey + QStringLiteral("Left"), QStringLiteral("zh-CN"),
                                QStringLiteral("中文（普通话）"), QStringLiteral("Z"));
        ml::test::storeLanguage(pageKey + QStringLiteral("Right"), QStringLiteral("en"),
                                QStringLiteral("英语"), QStringLiteral("Y"));
        m_page = std::make_unique<Page>(*h.engine);
        m_page->resize(1039, 673);
        m_page->show();

        h.capture.setSource(&m_signal);
        const int tick = options.tickMs;
        h.engine->setTickInterval(tick);
        // The product's pause between the stop and its steps (the test harness leaves it out).
        h.engine->setStopDelay(100);
        h.engine->setReconnectPause(qMax(1, tick / 2)); // half a simulated second, as in the product
        if constexpr (std::is_same_v<Engine, LowpriceTranslationHelp>)
            h.engine->setResendPolicy(LowpriceTranslationHelp::kDefaultMaxResends, qMax(1, tick / 4));
        // The page's own handling of the data callback, timed.
        h.engine->setDataChangeBlock([this](const MLCaptionLines &list) {
            QElapsedTimer clock;
            clock.start();
            m_page->dataChanged(list);
            ++m_callbackMicros[qMin<qint64>(clock.nsecsElapsed() / 1000, kCallbackBuckets - 1)];
        });

        StandinLiveMeter &meter = h.meter();
        meter.setDefaultBalanceSeconds(std::numeric_limits<qint32>::max());
        m_clockBase = QDateTime::currentDateTimeUtc();
        meter.setClock([this] { return m_clockBase.addSecs(m_ticks); });
        h.speech.setNumberedSentences(true); // as in real speech, no two sentences are the same text
        QObject::connect(&h.speech, &StandinSpeechServer::eventSent, &m_context,
                         [this](const QJsonObject &event) { sent(event); });
        QObject::connect(&h.speech, &StandinSpeechServer::sessionStarted, &m_context,
                         [this] { ++m_sessions; });

        m_expected.reserve(m_runTicks / kSentenceEveryTicks + 100);
        m_sentence = toPcm16(ml::test::signal({{0.7, 0.5, 440}, {0.5, 0}}, MLAudioCapture::kSampleRate));
    }

    bool run(Figures &f, QStringList &failures) {
        QElapsedTimer wall;
        wall.start();
        if (!QTest::qWaitForWindowExposed(m_page.get()) ||
            !ml::test::listsArrived(
                {m_page->barView()->sourceLanguageView(), m_page->barView()->targetLanguageView()})) {
            failures << QStringLiteral("the page did not get ready (shown: %1, language lists: %2)")
                            .arg(m_page->windowHandle() && m_page->windowHandle()->isExposed())
                            .arg(ml::test::listsArrived({m_page->barView()->sourceLanguageView(),
                                                         m_page->barView()->targetLanguageView()}));
            return false;
        }
        // What the page's first showing loads off the main thread (the media module and its list of
        // inputs, the TLS backend) keeps descriptors for the process's life: in place before counting.
        if (MLMediaBackend *media = MLMediaBackend::instance())
            media->audioInputs().defaultInput();
        QSslSocket::supportsSsl();
        // A request of the page may still be connecting or closing: its connection is no descriptor
        // the run keeps (and none may be left at the end).
        settleNetwork();
        f.fdTargetsStart = descriptorTargets().first;
        f.fdsStart = int(f.fdTargetsStart.size());
        f.threadsStart = threadNames();
        f.timersStart = engineTimers();

        QTest::mouseClick(m_page->startOrOverImage(), Qt::LeftButton);
        if (!waitUntil([this] { return h.engine->downTimer() != nullptr; }, 30000)) {
            failures << QStringLiteral("the session did not start (%1)").arg(engineState());
            return false;
        }
        QObject::connect(h.engine->downTimer(), &QTimer::timeout, &m_context, [this] { ticked(); });
        m_hold.setInterval(1);
        QObject::connect(&m_hold, &QTimer::timeout, &m_context, [this] { holdPoll(); });

        // The talk, then the silence in which the last subtitles complete.
        waitUntil([this] { return m_ticks >= m_runTicks || !running(); }, std::numeric_limits<int>::max());
        if (!running())
            failures << QStringLiteral("the session ended by itself after %1 ticks (%2)")
                            .arg(m_ticks)
                            .arg(engineState());
        if (!waitUntil([this] { return !running() || complete(); }, 120000))
            failures << QStringLiteral(
                            "the last subtitles never completed (%1 closed lines, %2 sentences sent; %3)")
                            .arg(closedLines())
                            .arg(m_expected.size())
                            .arg(engineState());

        // The memory of the session at its end, measured as at the end of the warm-up (both while it runs).
        f.rssEndMb = residentMb();

        // The user's stop (a click on a page already stopped would start a new session).
        if (running())
            QTest::mouseClick(m_page->startOrOverImage(), Qt::LeftButton);
        if (!waitUntil(
                [this] {
                    return h.engine->state() == MLLiveEngine::State::Idle && h.meter().endCount() == 1;
                },
                30000))
            failures << QStringLiteral("the stop did not finish (end-of-use reports: %1; %2)")
                            .arg(h.meter().endCount())
                            .arg(engineState());
        f.ticks = h.engine->totalTime() - 1; // the timer runs on through the stop's delay
        // The figures of the wait's last look: a request begun after it is none of the run's.
        waitUntil(
            [&] {
                settleNetwork();
                std::tie(f.fdTargetsEnd, f.connectionsEnd) = descriptorTargets();
                f.threadsEnd = threadNames();
                return f.fdTargetsEnd.size() <= f.fdsStart && f.connectionsEnd.isEmpty();
            },
            30000);
        f.fdsEnd = int(f.fdTargetsEnd.size());
        f.timersEnd = engineTimers();
        f.wallS = double(wall.elapsed()) / 1000;

        collect(f);
        check(f, failures);
        return failures.isEmpty();
    }

private:
    bool running() const { return h.engine->state() == MLLiveEngine::State::Running; }

    // The engine's state and what it told the user, for a failure's line.
    QString engineState() const {
        return QStringLiteral("engine %1, notices: %2")
            .arg(QString::fromLatin1(
                     QMetaEnum::fromType<MLLiveEngine::State>().valueToKey(int(h.engine->state()))),
                 h.notices.join(u"; "));
    }

    int engineTimers() const {
        int timers = int(h.engine->template findChildren<QTimer *>().size());
        if (const MLRecognizer *recognizer = h.engine->speechRecognizer())
            timers += int(recognizer->findChildren<QTimer *>().size());
        return timers;
    }

    // Idle keep-alive connections closed, deferred deletions done, and then Qt's worker for its own
    // jobs (the page's image conversions as it paints) gone: what is left is what the run kept.
    void settleNetwork() {
        MLHttpTransport::shared().network()->clearConnectionCache();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        QThreadPool::globalInstance()->waitForDone();
    }

    qsizetype closedLines() const { return h.engine->strList().size() - 1; }

    // Every final sentence sent is on the client's list, with its translation.
    bool complete() const {
        const QStringList &lines = h.engine->strList();
        if (lines.size() - 1 != m_expected.size())
            return false;
        return std::all_of(lines.cbegin(), lines.cend() - 1,
                           [](const QString &l) { return l.contains(QLatin1Char('\n')); });
    }

    void sent(const QJsonObject &event) {
        const QString text = event.value(QLatin1String("text")).toString();
        if (event.value(QLatin1String("type")).toString() != QLatin1String("recognized") || text.isEmpty())
            return;
        const QString to = h.engine->to();
        const QString translation =
            event.contains(QLatin1String("translations"))
                ? event.value(QLatin1String("translations")).toObject().value(to).toString()
                : StandinLiveRoutes::of(h.standin.server()).translation(text, to);
        m_expected.append(qHash(text + QLatin1Char('\n') + translation));
    }

    // After every engine tick: the signal, the faults, the clock.
    void ticked() {
        m_ticks = h.engine->totalTime() - 1; // the first ticks may pass before this observer is connected
        const qint64 talkEnd = m_runTicks - 2 * kSentenceEveryTicks;
        if (m_ticks % kSentenceEveryTicks == 1 && m_ticks <= talkEnd) {
            m_signal.feed(m_sentence);
            m_audioSeconds += double(m_sentence.size()) / MLAudioCapture::kBytesPerSecond;
        }
        if (m_ticks == m_warmupTicks) {
            m_rssWarm = residentMb();
            m_captionsWarm = closedLines();
        }
        injectFaults();
        h.standin.server().clearReceivedRequests(); // the stand-in's log is not the client's memory
        if (h.engine->successTime() > kReportEveryTicks + kHoldAfterTicks && running()) {
            h.engine->downTimer()->stop();
            m_holdClock.start();
            m_hold.start();
            ++m_holds;
        }
    }

    void holdPoll() {
        if (h.engine->successTime() > kReportEveryTicks + kHoldAfterTicks && running() &&
            m_holdClock.elapsed() < kHoldMaxMs)
            return;
        m_hold.stop();
        if (QTimer *timer = h.engine->downTimer())
            timer->start();
    }

    void injectFaults() {
        StandinLiveMeter &meter = h.meter();
        // The balance runs low for one report ("DIA003"), then the account is topped up.
        if (occurs(m_ticks, kLowBalanceFirst, kLowBalanceEvery)) {
            meter.setLowBalanceSeconds(std::numeric_limits<qint64>::max());
            m_lowBalanceFrom = meter.totalReports();
        } else if (m_lowBalanceFrom >= 0 && meter.totalReports() > m_lowBalanceFrom) {
            meter.setLowBalanceSeconds(kDefaultLowBalanceSeconds);
            m_lowBalanceFrom = -1;
            ++m_lowBalance;
        }
        if (occurs(m_ticks, kSlowAnswerFirst, kSlowAnswerEvery)) {
            h.standin.server().injectFault(kKeepupPath,
                                           StandinFault::delay(kSlowAnswerTicks * m_options.tickMs));
            ++m_slowAnswers;
        }
        // The connection drops in a pause of the talk, with every sentence sent already received.
        m_dropDue = m_dropDue || occurs(m_ticks, kDropFirst, kDropEvery);
        if (m_dropDue && m_ticks % kSentenceEveryTicks >= 3 && closedLines() == m_expected.size() &&
            h.speech.connectionCount() == 1) {
            h.speech.dropConnections();
            m_dropDue = false;
            ++m_drops;
        }
    }

    void collect(Figures &f) {
        f.captions = int(m_expected.size());
        QStringList lines = readTranscript(h.engine->storagePath()).split(QStringLiteral("\n\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast(); // the open entry
        f.transcriptLines = int(lines.size());
        qsizetype at = 0;
        QList<size_t> written;
        for (const QString &line : std::as_const(lines))
            written.append(qHash(line));
        for (const size_t caption : std::as_const(m_expected)) {
            const qsizetype found = written.indexOf(caption, at);
            if (found < 0)
                ++f.lost;
            else
                at = found + 1;
        }

        f.rssStartMb = m_rssWarm;
        const double klines = double(f.captions - m_captionsWarm) / 1000;
        f.rssPerKlineKb = klines > 0 ? (f.rssEndMb - f.rssStartMb) * 1024 / klines : 0;

        const QString folder = documents() + QLatin1Char('/') + h.engine->storagePath();
        if (const auto probe = probeAudio(folder + QStringLiteral("/recording.m4a")))
            f.recordingS = probe->seconds;
        f.audioS = m_audioSeconds;
        f.historyRows = int(h.rows().size());
        f.reports = h.meter().totalReports();
        f.expectedReports = 1 + int((f.ticks - 1) / kReportEveryTicks);

        const qint64 callbacks =
            std::accumulate(m_callbackMicros.cbegin(), m_callbackMicros.cend(), qint64(0));
        qint64 below = 0;
        for (int micros = 0; micros < kCallbackBuckets && callbacks > 0; ++micros) {
            below += m_callbackMicros[micros];
            if (below * 100 >= callbacks * 99) {
                f.p99CallbackMs = double(micros) / 1000;
                break;
            }
        }

        f.lowBalance = m_lowBalance;
        f.slowAnswers = m_slowAnswers;
        f.drops = m_drops;
        f.reconnects = m_sessions - 1;
        f.renewals = int(h.meter().renewalMessages().size());
        f.holds = m_holds;
    }

    void check(const Figures &f, QStringList &failures) const {
        const auto expect = [&failures](bool ok, const QString &what) {
            if (!ok)
                failures << what;
        };
        expect(f.lost == 0, QStringLiteral("%1 sentences lost").arg(f.lost));
        expect(f.transcriptLines == f.captions,
               QStringLiteral("%1 transcript lines for %2 captions").arg(f.transcriptLines).arg(f.captions));
        expect(!m_options.memoryJudged() || f.rssPerKlineKb <= kMaxKbPerKline,
               QStringLiteral("memory grew %1 KB per thousand lines").arg(f.rssPerKlineKb, 0, 'f', 0));
        expect(
            f.fdsEnd == f.fdsStart,
            QStringLiteral("file descriptors %1 -> %2 (before: %3; after: %4; threads before: %5; after: %6)")
                .arg(f.fdsStart)
                .arg(f.fdsEnd)
                .arg(f.fdTargetsStart.join(u", "), f.fdTargetsEnd.join(u", "), f.threadsStart.join(u", "),
                     f.threadsEnd.join(u", ")));
        expect(f.connectionsEnd.isEmpty(),
               QStringLiteral("connections left open: %1").arg(f.connectionsEnd.join(u", ")));
        expect(f.timersEnd == f.timersStart,
               QStringLiteral("engine timers %1 -> %2").arg(f.timersStart).arg(f.timersEnd));
        expect(qAbs(f.recordingS - f.audioS) <= kMaxRecordingGapSeconds,
               QStringLiteral("recording %1 s for %2 s of audio").arg(f.recordingS).arg(f.audioS));
        expect(f.historyRows == 1, QStringLiteral("%1 history rows").arg(f.historyRows));
        expect(f.reports == f.expectedReports,
               QStringLiteral("%1 usage reports counted, %2 due").arg(f.reports).arg(f.expectedReports));
        expect(f.drops == 0 || f.reconnects >= f.drops,
               QStringLiteral("%1 drops, %2 reconnections").arg(f.drops).arg(f.reconnects));
    }

    Options m_options;
    const qint64 m_runTicks;
    const qint64 m_warmupTicks;
    GeneratedSignal m_signal; // outlives the harness's capture that reads it
    LiveEngineHarness<Engine> h;
    AppDelegate m_app;
    std::unique_ptr<Page> m_page;
    QObject m_context;
    QTimer m_hold;
    QElapsedTimer m_holdClock;
    QDateTime m_clockBase;
    QByteArray m_sentence;

    qint64 m_ticks = 0;
    double m_audioSeconds = 0;
    // What the runner keeps per caption stays small and is allocated before the memory is measured:
    // the hashes of the captions sent, and the callback times as a histogram (microseconds).
    QList<size_t> m_expected;
    std::vector<qint64> m_callbackMicros = std::vector<qint64>(kCallbackBuckets);
    double m_rssWarm = 0;
    qsizetype m_captionsWarm = 0;
    qint64 m_lowBalanceFrom = -1;
    bool m_dropDue = false;
    int m_lowBalance = 0;
    int m_slowAnswers = 0;
    int m_drops = 0;
    int m_sessions = 0;
    int m_holds = 0;
};

template <class Engine, class Page>
bool soak(const char *tier, const Options &options, const QString &pageKey) {
    Figures f;
    QStringList failures;
    {
        TierSoak<Engine, Page> soak(options, pageKey);
        soak.run(f, failures);
    }
    std::printf(
        "soak_live: tier=%s captions=%d transcript_lines=%d lost=%d rss_start_mb=%.1f rss_end_mb=%.1f "
        "rss_per_kline_kb=%.0f memory_judged=%d fds_start=%d fds_end=%d connections_end=%d timers_end=%d "
        "recording_s=%.1f audio_s=%.1f history_rows=%d reports=%d expected_reports=%d p99_callback_ms=%.2f\n",
        tier, f.captions, f.transcriptLines, f.lost, f.rssStartMb, f.rssEndMb, f.rssPerKlineKb,
        int(options.memoryJudged()), f.fdsStart, f.fdsEnd, int(f.connectionsEnd.size()), f.timersEnd,
        f.recordingS, f.audioS, f.historyRows, f.reports, f.expectedReports, f.p99CallbackMs);
    std::printf("soak_live: tier=%s ticks=%lld dia003=%d slow_answers=%d drops=%d reconnects=%d "
                "auth_renewals=%d clock_holds=%d wall_s=%.0f\n",
                tier, static_cast<long long>(f.ticks), f.lowBalance, f.slowAnswers, f.drops, f.reconnects,
                f.renewals, f.holds, f.wallS);
    for (const QString &failure : std::as_const(failures))
        std::printf("soak_live: tier=%s FAILED: %s\n", tier, qPrintable(failure));
    std::fflush(stdout);
    return failures.isEmpty();
}

} // namespace

int main(int argc, char *argv[]) {
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1); // before any thread: one heap (see below)
#endif
    ml::test::prepareEnvironment();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("mltranslate"));
    QApplication::setApplicationName(QStringLiteral("mltranslate-soak"));

    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("hours"), QStringLiteral("Simulated hours per tier."),
                        QStringLiteral("H"), QStringLiteral("10")},
                       {QStringLiteral("tick-ms"), QStringLiteral("Milliseconds per simulated second."),
                        QStringLiteral("T"), QStringLiteral("4")},
                       {QStringLiteral("tier"), QStringLiteral("normal, lowprice or both."),
                        QStringLiteral("TIER"), QStringLiteral("both")},
                       {QStringLiteral("verbose"), QStringLiteral("Keep the informational log.")}});
    parser.addHelpOption();
    parser.process(app);
    Options options;
    options.hours = parser.value(QStringLiteral("hours")).toDouble();
    options.tickMs = qMax(1, parser.value(QStringLiteral("tick-ms")).toInt());
    options.verbose = parser.isSet(QStringLiteral("verbose"));
    if (options.hours <= 0) {
        std::fprintf(stderr, "soak_live: --hours must be positive\n");
        return 2;
    }
    // Fewer moving parts in the figures: one worker for Qt's own jobs (image conversion), which leaves
    // soon after its work (and is waited for before descriptors are counted), and one heap for all
    // threads (no per-thread arenas whose free pages come and go).
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    QThreadPool::globalInstance()->setExpiryTimeout(500);
    if (!options.verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("*.info=false\n*.debug=false"));

    const QString tier = parser.value(QStringLiteral("tier"));
    bool ok = true;
    if (tier == QLatin1String("normal") || tier == QLatin1String("both"))
        ok = soak<NormalTranslationHelp, MLNormalTranslationView>(
                 "normal", options, QStringLiteral("MLNormalTranslationView")) &&
             ok;
    if (tier == QLatin1String("lowprice") || tier == QLatin1String("both"))
        ok = soak<LowpriceTranslationHelp, MLLowpriceTranslationView>(
                 "lowprice", options, QStringLiteral("MLLowpriceTranslationView")) &&
             ok;
    return ok ? 0 : 1;
}
