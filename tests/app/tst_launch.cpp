#include "app/AppDelegate.h"
#include "app/MLCommandLine.h"
#include "app/MLSingleInstance.h"
#include "live/engine/NormalTranslationHelp.h"
#include "live/ui/MLNormalTranslationView.h"
#include "live/ui/MLSimultaneousInterpretationView.h"
#include "live/ui/NSTranslationSonView.h"
#include "platform/kit/MLQuitSignals.h"
#include "support/LiveEngineHarness.h"
#include "support/LiveUiSupport.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"

#include <QJsonArray>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace ml::test;
using namespace Qt::StringLiterals;

namespace {
const QString kApp = QStringLiteral(ML_APP_BINARY);
constexpr int kChildTimeoutMs = 30000;
constexpr const char *kSessionChildVariable = "ML_LAUNCH_SESSION_CHILD";

QString path(const QTemporaryDir &dir, const char *name) {
    return dir.filePath(QLatin1String(name));
}

// The child of the signal tests: the app set up as main() sets it up (single instance, quit signals,
// delegate), signed in against the parent's stand-in, the audio file in place of the microphone. It
// starts a session on the normal tier's page with a click, prints the session folder once the three
// sentences of the file are captioned, and runs until it is ended; then it prints the notices of its
// engine, one a line.
int runSessionChild(int argc, char *argv[]) {
    QStandardPaths::setTestModeEnabled(true); // Documents and the rest come from the parent
    if (const std::optional<int> exitCode = MLCommandLine::apply(argc, argv))
        return *exitCode;
    QApplication app(argc, argv);
    QApplication::setOrganizationName(u"mltranslate"_s);
    QApplication::setApplicationName(u"mltranslate-tests"_s);
    MLAudioCapture::setRealTimePace(false);
    MLSingleInstance instance;
    if (instance.claim() != MLSingleInstance::Role::Running)
        return 5;
    MLQuitSignals quitSignals;
    QObject::connect(&quitSignals, &MLQuitSignals::quitRequested, &app, &QApplication::quit);
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    MLLiveEngine &engine = NormalTranslationHelp::shareHelp();
    QStringList notices;
    QObject::connect(&engine, &MLLiveEngine::notice, &app,
                     [&notices](const QString &message) { notices << message; });

    MLSimultaneousInterpretationView *section = nullptr;
    const auto sectionShown = [&] {
        section = delegate.window()->findChild<MLSimultaneousInterpretationView *>();
        return section && section->pageInView(); // after the section's own first choice
    };
    if (!QTest::qWaitFor(sectionShown, kChildTimeoutMs))
        return 2;
    section->setRightViewForIndex(3);
    auto *page = qobject_cast<MLNormalTranslationView *>(section->existingPage(3));
    if (!page ||
        !listsArrived({page->barView()->sourceLanguageView(), page->barView()->targetLanguageView()}))
        return 3;
    QTest::mouseClick(page->startOrOverImage(), Qt::LeftButton);
    const auto captioned = [&engine] {
        return engine.strList().size() == 4 && engine.strList().last().isEmpty();
    };
    if (!QTest::qWaitFor(captioned, kChildTimeoutMs))
        return 4;
    std::fputs(qPrintable(engine.storagePath() + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
    const int exitCode = app.exec();
    for (const QString &notice : std::as_const(notices))
        std::fputs(qPrintable(notice + QLatin1Char('\n')), stdout);
    return exitCode;
}

// Starts the session child against the stand-in and speech endpoint, as from a shell (SIGXFSZ with its
// default action) and, unless 0, under a limit on the size of the files it writes. Its session folder
// once captioned; empty when it did not get there.
QString startSessionChild(QProcess &child, StandinFixture &standin, const StandinSpeechServer &speech,
                          const QString &audioFile, qint64 fileSizeLimit = 0) {
    standin.signInDemo();
    storeLanguage(u"MLNormalTranslationViewLeft"_s, u"zh-CN"_s, u"中文（普通话）"_s, u"Z"_s);
    storeLanguage(u"MLNormalTranslationViewRight"_s, u"en"_s, u"英语"_s, u"Y"_s);
    MLUserDefaults::standardUserDefaults().synchronize();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kSessionChildVariable), u"1"_s);
    env.insert(u"ML_API_BASE_URL"_s, standin.apiBaseUrl());
    env.insert(u"ML_PAY_BASE_URL"_s, standin.server().payBaseUrl().toString());
    env.insert(u"ML_SPEECH_URL"_s, speech.urlTemplate());
    env.insert(u"ML_AUDIO_INPUT"_s, audioFile);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.setChildProcessModifier([fileSizeLimit] {
        std::signal(SIGXFSZ, SIG_DFL); // this process may ignore it, and the child would inherit that
        if (fileSizeLimit > 0) {
            const rlimit limit{rlim_t(fileSizeLimit), rlim_t(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
    });
    child.start(QCoreApplication::applicationFilePath(), {});
    QByteArray out;
    const auto folderPrinted = [&] {
        return (out += child.readAllStandardOutput()).endsWith('\n') || child.state() == QProcess::NotRunning;
    };
    if (!child.waitForStarted() || !QTest::qWaitFor(folderPrinted, kChildTimeoutMs) || !out.endsWith('\n'))
        return {};
    return QString::fromUtf8(out).trimmed();
}
} // namespace

// The app's start: its command line and the hand-over to an app already running, each through the
// real program started as a child process.
class TestLaunch : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QFile text(path(m_dir, "notes.wav"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a sound\n") > 0);
        QCOMPARE(::mkfifo(QFile::encodeName(path(m_dir, "pipe\x1b[2J.wav")).constData(), 0600), 0);
        // Three tone bursts: three sentences for the stand-in speech endpoint.
        const std::vector<SoundPiece> pieces{{0.5, 0}, {1.0, 0.5, 440}, {1.0, 0}, {1.2, 0.5, 660},
                                             {1.0, 0}, {0.8, 0.5, 550}, {1.5, 0}};
        QVERIFY(writeWav(path(m_dir, "bursts.wav"), signal(pieces, 16000), 16000, 1));
    }

    // Output patterns are matched line by line against standard output when the exit code is 0 and
    // against standard error otherwise; the other stream must stay empty.
    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environment"); // NAME=value
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("patterns");

        const QString option = u"^  --%1 <%2> +\\S.* \\(%3\\)\\.$"_s;
        QTest::newRow("--help") << QStringList{u"--help"_s} << QStringList() << 0
                                << QStringList{u"^Usage: mltranslate \\[options\\]$"_s,
                                               option.arg(u"audio-input", u"FILE", u"ML_AUDIO_INPUT"),
                                               u"^Environment:$"_s, u"^  ML_WEBSITE_URL +\\S"_s};
        QTest::newRow("--version") << QStringList{u"--version"_s} << QStringList() << 0
                                   << QStringList{u"^mltranslate "_s +
                                                  QRegularExpression::escape(QStringLiteral(ML_APP_VERSION)) +
                                                  u"$"_s};

        const QString tryHelp = u"^Try 'mltranslate --help' for more information\\.$"_s;
        const auto refused = [&](const char *name, const QStringList &arguments,
                                 const QStringList &environment, const QString &message) {
            QTest::newRow(name) << arguments << environment << 2
                                << QStringList{u"^mltranslate: "_s + message + u"$"_s, tryHelp};
        };
        refused("unknown option", {u"--bogus"_s}, {}, u"Unknown option 'bogus'\\."_s);
        refused("--api-base not an address", {u"--api-base"_s, u"not a url"_s}, {},
                u"--api-base: \"not a url\" is not an http or https address\\."_s);
        refused("--speech-url not a WebSocket", {u"--speech-url"_s, u"http://h/{region}"_s}, {},
                u"--speech-url: \"http://h/\\{region\\}\" is not a ws or wss address\\."_s);
        refused("--audio-input missing", {u"--audio-input"_s, path(m_dir, "none.wav")}, {},
                u"--audio-input: the audio file cannot be read: cannot open .*none\\.wav: No such file.*"_s);
        refused("ML_AUDIO_INPUT not a WAV file", {}, {u"ML_AUDIO_INPUT="_s + path(m_dir, "notes.wav")},
                u"ML_AUDIO_INPUT: the audio file cannot be read: .*notes\\.wav is not a WAV file\\."_s);
        // Nothing but a regular file is opened (a FIFO would block the start), and echoed values cannot
        // drive the terminal or flood it.
        refused(
            "--audio-input a FIFO", {u"--audio-input"_s, path(m_dir, "pipe\x1b[2J.wav")}, {},
            u"--audio-input: the audio file cannot be read: .*pipe\\\\x1b\\[2J\\.wav is not a regular file\\."_s);
        refused("--api-base with control characters", {u"--api-base"_s, u"\x1b]0;title\x07"_s}, {},
                u"--api-base: \"\\\\x1b\\]0;title\\\\x07\" is not an http or https address\\."_s);
        refused("a long argument", {QString(100000, u'x')}, {}, u"Unexpected argument 'x{200}…'\\."_s);
        // An empty option is refused before later settings are read; https and wss are accepted
        // (the settings after them are read).
        const QStringList missingAudio{u"--audio-input"_s, path(m_dir, "none.wav")};
        const QString audioRefused =
            u"--audio-input: the audio file cannot be read: .*none\\.wav: No such file.*"_s;
        refused("--api-base empty", QStringList{u"--api-base"_s, QString()} + missingAudio, {},
                u"--api-base: the value is empty\\."_s);
        const QStringList secure{u"--api-base=https://a.example"_s, u"--pay-base=https://p.example/"_s,
                                 u"--speech-url=wss://{region}.example/s"_s};
        refused("https and wss options", secure + missingAudio, {}, audioRefused);
        // Plain http and ws carry the token in clear: only to this machine.
        const QString clear = u"\"%1\" would send the sign-in token in clear text: use %2 \\(%3 only for "
                              u"localhost, 127\\.0\\.0\\.0/8 and ::1\\)\\."_s;
        refused("--api-base http to another host", {u"--api-base"_s, u"http://api.example"_s}, {},
                u"--api-base: "_s + clear.arg(u"http://api\\.example"_s, u"https"_s, u"http"_s));
        refused("ML_PAY_BASE_URL http to a private address", {},
                {u"ML_PAY_BASE_URL=http://192.168.1.5/pay"_s},
                u"ML_PAY_BASE_URL: "_s + clear.arg(u"http://192\\.168\\.1\\.5/pay"_s, u"https"_s, u"http"_s));
        refused("--speech-url ws to a name that starts like localhost",
                {u"--speech-url=ws://localhost.example/{region}"_s}, {},
                u"--speech-url: "_s +
                    clear.arg(u"ws://localhost\\.example/\\{region\\}"_s, u"wss"_s, u"ws"_s));
        refused("http and ws options on this machine",
                QStringList{u"--api-base=http://127.0.0.2:8080"_s, u"--pay-base=http://[::1]:9/pay"_s,
                            u"--speech-url=ws://localhost:1/{region}"_s} +
                    missingAudio,
                {}, audioRefused);
        refused("http and ws from the environment on this machine", missingAudio,
                {u"ML_API_BASE_URL=http://LOCALHOST:1"_s, u"ML_PAY_BASE_URL=http://127.255.0.1/pay"_s,
                 u"ML_SPEECH_URL=ws://[::1]:2/{region}"_s},
                audioRefused);
        refused("https and wss from the environment", missingAudio,
                {u"ML_API_BASE_URL=https://a.example"_s, u"ML_PAY_BASE_URL=https://p.example/"_s,
                 u"ML_SPEECH_URL=wss://{region}.example/s"_s},
                audioRefused);
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environment);
        QFETCH(int, exitCode);
        QFETCH(QStringList, patterns);

        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // No display: these starts must not need one.
        env.remove(u"QT_QPA_PLATFORM"_s);
        env.remove(u"DISPLAY"_s);
        env.remove(u"WAYLAND_DISPLAY"_s);
        for (const QString &variable : environment)
            env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
        app.setProcessEnvironment(env);
        app.start(kApp, arguments);
        QVERIFY(app.waitForFinished(kChildTimeoutMs));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        const QString out = QString::fromLocal8Bit(app.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(app.readAllStandardError());
        QCOMPARE(app.exitCode(), exitCode);
        QCOMPARE(exitCode == 0 ? err : out, QString());
        for (const QString &pattern : patterns)
            QVERIFY2(QRegularExpression(pattern, QRegularExpression::MultilineOption)
                         .match(exitCode == 0 ? out : err)
                         .hasMatch(),
                     qPrintable(pattern));
    }

    void secondStartHandsOver_data() {
        QTest::addColumn<bool>("staleSocket");
        QTest::newRow("app running") << false;
        QTest::newRow("socket left by a killed app") << true;
    }
    void secondStartHandsOver() {
        QFETCH(bool, staleSocket);
        if (staleSocket) {
            QProcess killed;
            killed.start(kApp);
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(MLSingleInstance::socketPath()), kChildTimeoutMs);
            killed.kill();
            QVERIFY(killed.waitForFinished(kChildTimeoutMs));
            QVERIFY(QFileInfo::exists(MLSingleInstance::socketPath()));
        }

        AppDelegate delegate;
        delegate.applicationDidFinishLaunching();
        delegate.window()->hide();
        delegate.translationWindow()->show();
        MLSingleInstance instance;
        QCOMPARE(instance.claim(), MLSingleInstance::Role::Running);
        connect(&instance, &MLSingleInstance::activationRequested, &delegate,
                &AppDelegate::bringWindowForward);

        QProcess second;
        QSignalSpy finished(&second, &QProcess::finished);
        second.start(kApp);
        QVERIFY(finished.wait(kChildTimeoutMs));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(delegate.window()->isVisible());
        QVERIFY(delegate.translationWindow()->isVisible());
    }

    // A start that comes while the app quits (waiting for the answer to its end-of-use report) is not
    // taken by it: it waits for that app to end and then runs itself.
    void startWhileQuittingRunsOnceTheAppHasGone() {
        StandinFixture standin;
        StandinSpeechServer speech;
        QVERIFY(standin.isRunning() && speech.listen(0));
        QProcess quitting;
        QVERIFY(!startSessionChild(quitting, standin, speech, path(m_dir, "bursts.wav")).isEmpty());
        standin.server().injectFault(kEndPath, StandinFault::hold());
        ::kill(quitting.processId(), SIGTERM);
        QTRY_COMPARE_WITH_TIMEOUT(standin.server().heldRequests(kEndPath), 1, kChildTimeoutMs);
        QVERIFY(!QFileInfo::exists(MLSingleInstance::socketPath())); // it no longer listens

        QProcess second;
        second.start(kApp);
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT(
            (log += second.readAllStandardError()).contains("waiting for the running app") ||
                second.state() == QProcess::NotRunning || quitting.state() == QProcess::NotRunning,
            kChildTimeoutMs);
        QCOMPARE(second.state(), QProcess::Running);
        standin.server().releaseHeld(kEndPath);
        QTRY_COMPARE_WITH_TIMEOUT(quitting.state(), QProcess::NotRunning, kChildTimeoutMs);
        QCOMPARE(quitting.exitCode(), 0);
        // The second start is the app: it holds the lock and listens (only the lock's holder does).
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(MLSingleInstance::socketPath()) ||
                                     second.state() == QProcess::NotRunning,
                                 kChildTimeoutMs);
        QCOMPARE(second.state(), QProcess::Running);
        second.terminate();
        QVERIFY(second.waitForFinished(kChildTimeoutMs));
        QCOMPARE(second.exitCode(), 0);
    }

    // When the runtime folder cannot hold the lock and the socket, the app still runs, and a later
    // start still hands over to it: both take them in the user's own folder.
    void runtimeFolderUnfitForTheGuard_data() {
        QTest::addColumn<QString>("folderInPlaceOf"); // in the runtime folder; none: no runtime folder
        QTest::newRow("lock file path is a folder") << u"mltranslate.lock"_s;
        QTest::newRow("socket path is a folder") << u"mltranslate.socket"_s;
        QTest::newRow("no runtime folder, Qt's fallback unusable") << QString();
    }
    void runtimeFolderUnfitForTheGuard() {
        QFETCH(QString, folderInPlaceOf);
        QTemporaryDir runtime, cache;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CACHE_HOME"_s, cache.path());
        if (folderInPlaceOf.isEmpty()) {
            env.remove(u"XDG_RUNTIME_DIR"_s);
            env.insert(u"TMPDIR"_s, path(m_dir, "notes.wav")); // no folder can be made in a file
        } else {
            env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
            QVERIFY(QDir(runtime.path()).mkdir(folderInPlaceOf));
        }
        QProcess first, second;
        first.setProcessEnvironment(env);
        second.setProcessEnvironment(env);
        first.start(kApp);
        QByteArray log;
        const QByteArray guardTaken = "the lock and the socket are in \"" + QFile::encodeName(cache.path());
        QTRY_VERIFY_WITH_TIMEOUT((log += first.readAllStandardError()).contains(guardTaken) ||
                                     first.state() == QProcess::NotRunning,
                                 kChildTimeoutMs);
        QVERIFY2(log.contains(guardTaken), log.constData());
        second.start(kApp);
        QVERIFY(second.waitForFinished(kChildTimeoutMs));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running); // ended when `first` goes
    }

    // The system asks the app to end (a logout or shutdown sends SIGTERM, Ctrl+C SIGINT, a closed
    // terminal SIGHUP) in the middle of a session: the session ends as when the main window is closed,
    // with its whole transcript, its history row and the end-of-use report, and the app exits 0. A
    // second request while the app waits for the report's answer ends it at once, its session saved.
    // Under a file-size limit that the recording outgrows, the recording fails with its notice and the
    // rest holds: the app is not ended by SIGXFSZ.
    void signalEndsTheSessionProperly_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("twice");
        QTest::addColumn<qint64>("fileSizeLimit"); // 0: none
        QTest::addColumn<QStringList>("notices");
        QTest::newRow("SIGTERM") << SIGTERM << false << qint64(0) << QStringList();
        QTest::newRow("SIGINT") << SIGINT << false << qint64(0) << QStringList();
        QTest::newRow("SIGHUP") << SIGHUP << false << qint64(0) << QStringList();
        QTest::newRow("SIGTERM again while the report is awaited")
            << SIGTERM << true << qint64(0) << QStringList();
        QTest::newRow("SIGTERM, the recording over the file-size limit")
            << SIGTERM << false << qint64(10 * 1024) << QStringList{u"录音无法保存，翻译继续进行"_s};
    }
    void signalEndsTheSessionProperly() {
        QFETCH(int, signalNumber);
        QFETCH(bool, twice);
        QFETCH(qint64, fileSizeLimit);
        QFETCH(QStringList, notices);
        StandinFixture standin;
        StandinSpeechServer speech;
        QVERIFY(standin.isRunning() && speech.listen(0));
        const QString database = inDocuments(u"historicalRecord.db"_s);
        QFile::remove(database);
        QStringList expected;
        for (const QJsonValue sentence :
             standin.server().state().fixture(u"speech_sentences"_s)[u"sentences"_s].toArray())
            expected << sentence[u"zh-Hans"_s].toString() + u'\n' + sentence[u"en"_s].toString();
        expected = expected.first(3) << QString();

        QProcess child;
        const QString folder =
            startSessionChild(child, standin, speech, path(m_dir, "bursts.wav"), fileSizeLimit);
        QVERIFY2(!folder.isEmpty(), "the child's session was not captioned");
        auto &meter = StandinLiveRoutes::of(standin.server()).meter();
        if (twice)
            standin.server().injectFault(kEndPath, StandinFault::silence());

        ::kill(child.processId(), signalNumber);
        if (twice) {
            QTRY_COMPARE_WITH_TIMEOUT(standin.server().receivedRequests(kEndPath).size(), 1, kChildTimeoutMs);
            ::kill(child.processId(), signalNumber);
        }
        QTRY_COMPARE_WITH_TIMEOUT(child.state(), QProcess::NotRunning, kChildTimeoutMs);
        if (twice) {
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        } else {
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 0);
            QCOMPARE(meter.endCount(), 1);
            QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
                     notices);
        }
        QCOMPARE(readTranscript(folder), expected.join(u"\n\n"_s));
        QCOMPARE(QDir(inDocuments(folder)).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u"recording.m4a"_s, u"recording.txt"_s}));
        if (fileSizeLimit > 0)
            QCOMPARE_LE(QFileInfo(inDocuments(folder + u"/recording.m4a"_s)).size(), fileSizeLimit);
        MLDBManager history(database, [] { return kConsumerId; });
        const auto rows = history.findData().value_or(QList<HistoricalRecordModel>{});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().path, folder);
        QCOMPARE(rows.first().type, 2);
    }
};

int main(int argc, char *argv[]) {
    return qEnvironmentVariableIsSet(kSessionChildVariable) ? runSessionChild(argc, argv)
                                                            : ml::test::runTests<TestLaunch>(argc, argv);
}
#include "tst_launch.moc"
