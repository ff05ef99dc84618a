// Cost of one caption-list update of a live engine when the list holds 5,000 lines: a recognizer event
// goes through the engine's own handler (caption rule, list change) to the data block, where a page
// keeps its own copy of the list, as the live pages do. Targets: a final event under 25 us (normal
// tier) and 40 us (low-price tier, which also sends the sentence for translation).
#include "StandinServer.h"
#include "StandinSpeechServer.h"

#include "core/net/MLServiceOrigins.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"
#include "live/engine/AudioRecordManager.h"
#include "live/engine/LowpriceTranslationHelp.h"
#include "live/engine/MLDBManager.h"
#include "live/engine/NormalTranslationHelp.h"
#include "platform/audio/MLAudioCapture.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

constexpr int kLines = 5000;
constexpr int kPartials = 20000;
constexpr int kFinals = 2000;

bool waitFor(const std::function<bool()> &done, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

MLSpeechRecognitionResult event(int reason, const QString &text, const QString &translation) {
    MLSpeechRecognitionResult r;
    r.reason = reason;
    r.text = text;
    r.translations.insert(QStringLiteral("en"), translation);
    return r;
}

struct Figures {
    double partialUs = 0;
    double finalUs = 0;
};

template <class Engine>
Figures measure(const char *name, MLLiveEngine::Services services, int partialReason, int finalReason) {
    Engine engine(services);
    engine.setTickInterval(24 * 3600 * 1000);
    MLCaptionLines page; // the page's own copy, as a live page keeps it
    qint64 callbacks = 0;
    engine.setDataChangeBlock([&](const MLCaptionLines &list) {
        page = list;
        ++callbacks;
    });
    engine.startTranslation(QStringLiteral("zh-CN"), QStringLiteral("en"));
    if (!waitFor([&] { return engine.state() == MLLiveEngine::State::Running; }, 10000)) {
        std::printf("%s: the session did not start\n", name);
        return {};
    }
    MLRecognizer *recognizer = engine.speechRecognizer();
    const QString sentence = QStringLiteral("这是一句用来测量字幕列表更新开销的中文句子。");
    const QString translation =
        QStringLiteral("This is a sentence for measuring the caption list update cost.");
    // Distinct lines, as in a real session: every line's text lives in its own allocation.
    for (int i = 0; engine.captionLines().size() < kLines; ++i)
        Q_EMIT recognizer->recognized(event(finalReason, sentence + QString::number(i), translation));
    // Let the low-price tier's translation answers of the filling settle first: measured are list
    // updates, not a backlog of thousands of requests in flight.
    for (qint64 seen = -1; seen != callbacks;) {
        seen = callbacks;
        waitFor([] { return false; }, 500);
    }

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kPartials; ++i)
        Q_EMIT recognizer->recognizing(
            event(partialReason, sentence.left(1 + i % sentence.size()), translation));
    const double partialUs = clock.nsecsElapsed() / 1000.0 / kPartials;

    const qsizetype before = engine.captionLines().size();
    clock.restart();
    for (int i = 0; i < kFinals; ++i)
        Q_EMIT recognizer->recognized(event(finalReason, sentence + QString::number(i), translation));
    const double finalUs = clock.nsecsElapsed() / 1000.0 / kFinals;

    std::printf("%-12s lines %lld..%lld  partial %.2f us/event  final %.2f us/event  (%lld callbacks, page "
                "holds %lld lines)\n",
                name, static_cast<long long>(before), static_cast<long long>(engine.captionLines().size()),
                partialUs, finalUs, static_cast<long long>(callbacks), static_cast<long long>(page.size()));
    engine.stopTranslation();
    waitFor([&] { return engine.state() == MLLiveEngine::State::Idle; }, 5000);
    return {partialUs, finalUs};
}

} // namespace

int main(int argc, char *argv[]) {
    QTemporaryDir home;
    for (const char *sub : {"config", "data", "cache", "Documents"})
        QDir(home.path()).mkpath(QLatin1String(sub));
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_DOCUMENTS_DIR", (home.path() + QStringLiteral("/Documents")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.info=false;ml.live.engine.warning=false");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);

    SecurityCore::recoverStoredKey();
    StandinServer standin;
    StandinSpeechServer speech;
    if (!standin.listen(0) || !speech.listen(0)) {
        std::fprintf(stderr, "bench_captions: cannot listen on loopback\n");
        return 1;
    }
    MLServiceOrigins::setApiBaseUrl(standin.baseUrl().toString());
    MLServiceOrigins::setSpeechUrlTemplate(speech.urlTemplate());
    MLUserManager::sharedManager().setCurrentUser(MLUserModel{standin.state().demoToken()});

    MLAudioCapture capture;
    capture.setDevice(QAudioDevice());
    AudioRecordManager recorder(&capture);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    MLDBManager database(QDir(documents).filePath(QStringLiteral("bench.db")), [] { return qint64(0); });
    database.createDB();
    MLLiveEngine::Services services;
    services.recorder = &recorder;
    services.database = &database;
    services.capture = &capture;

    std::printf("caption-list update at %d lines\n", kLines);
    const Figures normal =
        measure<NormalTranslationHelp>("normal", services, MLSpeechRecognitionResult::TranslatingSpeech,
                                       MLSpeechRecognitionResult::TranslatedSpeech);
    const Figures lowprice =
        measure<LowpriceTranslationHelp>("low-price", services, MLSpeechRecognitionResult::RecognizingSpeech,
                                         MLSpeechRecognitionResult::RecognizedSpeech);
    std::printf("bench_captions: normal_partial_us=%.2f normal_final_us=%.2f lowprice_partial_us=%.2f "
                "lowprice_final_us=%.2f\n",
                normal.partialUs, normal.finalUs, lowprice.partialUs, lowprice.finalUs);
    return 0;
}
