#include "StandinSpeechServer.h"
#include "platform/audio/MLAudioCapture.h"
#include "platform/speech/MLSpeechRecognizer.h"
#include "platform/speech/MLTranslationRecognizer.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace ml::test;

namespace {

// Everything a recognizer emits, in order.
struct Recording {
    struct Event {
        char kind; // 's'tarted, 'p'artial, 'f'inal, 'c'anceled
        MLSpeechRecognitionResult result;
    };
    QObject context;
    QList<Event> events;

    void listen(MLRecognizer &recognizer) {
        QObject::connect(&recognizer, &MLRecognizer::sessionStarted, &context, [this] {
            events.append(Event{'s', {}});
        });
        QObject::connect(&recognizer, &MLRecognizer::recognizing, &context,
                         [this](const MLSpeechRecognitionResult &r) {
                             events.append(Event{'p', r});
                         });
        QObject::connect(&recognizer, &MLRecognizer::recognized, &context,
                         [this](const MLSpeechRecognitionResult &r) {
                             events.append(Event{'f', r});
                         });
        QObject::connect(&recognizer, &MLRecognizer::canceled, &context,
                         [this](const MLSpeechRecognitionResult &r) {
                             events.append(Event{'c', r});
                         });
    }
    QList<MLSpeechRecognitionResult> of(char kind) const {
        QList<MLSpeechRecognitionResult> out;
        for (const Event &e : events)
            if (e.kind == kind)
                out.append(e.result);
        return out;
    }
    int count(char kind) const { return static_cast<int>(of(kind).size()); }
    QByteArray kinds() const {
        QByteArray out;
        for (const Event &e : events)
            out += e.kind;
        return out;
    }
};

// The stand-in's sentences, as its fixture holds them.
QList<QJsonObject> fixtureSentences() {
    QFile file(QStringLiteral(":/standin/speech_sentences.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QJsonObject> out;
    for (const QJsonValue &v :
         QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("sentences")).toArray())
        out.append(v.toObject());
    return out;
}

} // namespace

class TestSpeech : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    StandinSpeechServer *m_server = nullptr;
    QString m_twoSentences;

    MLSpeechConfig config(const QString &language = QStringLiteral("zh-CN"),
                          const QString &target = QStringLiteral("en")) {
        auto c = MLSpeechConfig::fromSubscription(QStringLiteral("good-key"), QStringLiteral("eastasia"),
                                                  m_server->url(QStringLiteral("eastasia")));
        c->setSpeechRecognitionLanguage(language);
        c->addTargetLanguage(target);
        return *c;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(!fixtureSentences().isEmpty());
        // Two sentences: tone bursts separated by silence, with silence after the last.
        m_twoSentences = m_dir.filePath(QStringLiteral("two.wav"));
        QVERIFY(writeWav(m_twoSentences,
                         signal({{0.3, 0}, {0.8, 0.5, 220}, {0.6, 0}, {0.8, 0.5, 330}, {0.6, 0}}, 16000),
                         16000, 1));
        MLAudioCapture::setRealTimePace(false);
        MLAudioCapture::setInputFile(m_twoSentences);
    }

    void init() {
        m_server = new StandinSpeechServer(this);
        QVERIFY(m_server->listen(0));
    }
    void cleanup() {
        delete m_server;
        m_server = nullptr;
    }

    void configNeedsCredentialsAndRegion_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("region");
        QTest::addColumn<bool>("valid");
        QTest::newRow("key and region") << "k" << QString() << "eastasia" << true;
        QTest::newRow("token and region") << "" << QStringLiteral("t") << "eastasia" << true;
        QTest::newRow("key without region") << "k" << QString() << "" << false;
        QTest::newRow("token without region") << "" << QStringLiteral("t") << "" << false;
        QTest::newRow("empty key") << "" << QString() << "eastasia" << false;
    }
    void configNeedsCredentialsAndRegion() {
        QFETCH(QString, key);
        QFETCH(QString, token);
        QFETCH(QString, region);
        QFETCH(bool, valid);
        const QUrl endpoint = m_server->url(region);
        const auto c = token.isEmpty() ? MLSpeechConfig::fromSubscription(key, region, endpoint)
                                       : MLSpeechConfig::fromAuthorizationToken(token, region, endpoint);
        QCOMPARE(c.has_value(), valid);
        if (!valid)
            return;
        QCOMPARE(c->subscriptionKey(), key);
        QCOMPARE(c->authorizationToken(), token);
    }

    void targetLanguagesAddedOnce() {
        MLSpeechConfig c = config();
        c.addTargetLanguage(QStringLiteral("en"));
        c.addTargetLanguage(QString());
        QCOMPARE(c.targetLanguages(), QStringList{QStringLiteral("en")});
    }

    void sentencesArriveInOrder_data() {
        QTest::addColumn<bool>("translation");
        QTest::addColumn<bool>("byToken");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("textKey");        // fixture key of the recognised text
        QTest::addColumn<QString>("translationKey"); // fixture key of the translation, empty: none
        QTest::addColumn<int>("partialReason");
        QTest::addColumn<int>("finalReason");
        QTest::newRow("Chinese to English") << true << false << "zh-CN" << QStringLiteral("en")
                                            << QStringLiteral("zh-Hans") << "en" << 6 << 7;
        QTest::newRow("English to Chinese, token") << true << true << "en-US" << QStringLiteral("zh-Hans")
                                                   << QStringLiteral("en") << "zh-Hans" << 6 << 7;
        QTest::newRow("speech only") << false << false << "zh-CN" << QStringLiteral("en")
                                     << QStringLiteral("zh-Hans") << "" << 2 << 3;
    }
    void sentencesArriveInOrder() {
        QFETCH(bool, translation);
        QFETCH(bool, byToken);
        QFETCH(QString, language);
        QFETCH(QString, target);
        QFETCH(QString, textKey);
        QFETCH(QString, translationKey);
        QFETCH(int, partialReason);
        QFETCH(int, finalReason);
        const QUrl endpoint = m_server->url(QStringLiteral("westus"));
        auto c = byToken ? MLSpeechConfig::fromAuthorizationToken(QStringLiteral("token"),
                                                                  QStringLiteral("westus"), endpoint)
                         : MLSpeechConfig::fromSubscription(QStringLiteral("key"), QStringLiteral("westus"),
                                                            endpoint);
        c->setSpeechRecognitionLanguage(language);
        c->addTargetLanguage(target);
        QSignalSpy started(m_server, &StandinSpeechServer::sessionStarted);
        MLAudioCapture capture;
        std::unique_ptr<MLRecognizer> recognizer;
        if (translation)
            recognizer = std::make_unique<MLTranslationRecognizer>(*c, &capture);
        else
            recognizer = std::make_unique<MLSpeechRecognizer>(*c, &capture);
        Recording rec;
        rec.listen(*recognizer);
        recognizer->startContinuousRecognition();
        QVERIFY(recognizer->isRunning());
        QTRY_COMPARE(rec.count('f'), 2);

        // The endpoint was reached through the region's URL with the session's languages.
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.at(0).at(0).toString(), QStringLiteral("westus"));
        QCOMPARE(started.at(0).at(1).toString(), language);
        QCOMPARE(started.at(0).at(2).toStringList(), translation ? QStringList{target} : QStringList{});

        // started, then per sentence some partials and one final.
        const QByteArray kinds = rec.kinds();
        QVERIFY2(QRegularExpression(QStringLiteral("^sp+fp+f$")).match(QString::fromLatin1(kinds)).hasMatch(),
                 kinds.constData());
        const QList<QJsonObject> sentences = fixtureSentences();
        int sentence = 0;
        QString lastPartial;
        for (const Recording::Event &e : rec.events) {
            if (e.kind == 's')
                continue;
            const QString text = sentences.at(sentence).value(textKey).toString();
            const QString translated = sentences.at(sentence).value(translationKey).toString();
            QCOMPARE(e.result.reason, e.kind == 'f' ? finalReason : partialReason);
            if (e.kind == 'p') {
                QVERIFY2(text.startsWith(e.result.text) && !e.result.text.isEmpty(),
                         qPrintable(e.result.text));
                QVERIFY(e.result.text.size() >= lastPartial.size()); // partials grow
                lastPartial = e.result.text;
                if (translation)
                    QVERIFY(translated.startsWith(e.result.translations.value(target)));
                continue;
            }
            QCOMPARE(e.result.text, text);
            if (translation) {
                QCOMPARE(e.result.translations.keys(), QStringList{target});
                QCOMPARE(e.result.translations.value(target), translated);
            } else {
                QVERIFY(e.result.translations.isEmpty());
            }
            QVERIFY(e.result.durationMs >= 700 && e.result.durationMs <= 900);
            lastPartial.clear();
            ++sentence;
        }
        QVERIFY(rec.of('f').at(1).offsetMs > rec.of('f').at(0).offsetMs);

        recognizer->stopContinuousRecognition();
        QVERIFY(!recognizer->isRunning());
        QTRY_COMPARE(m_server->connectionCount(), 0);
    }

    void recognitionEndsWithOneCancel_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("code");
        QTest::newRow("refused key") << "refused key" << QStringLiteral("unauthorized");
        QTest::newRow("refused token") << "refused token" << QStringLiteral("unauthorized");
        QTest::newRow("endpoint refuses the next connection")
            << "refuse next" << QStringLiteral("unauthorized");
        QTest::newRow("no endpoint") << "no endpoint" << QStringLiteral("connection_failed");
        QTest::newRow("connection dropped") << "drop" << QStringLiteral("connection_lost");
        QTest::newRow("endpoint never answers") << "silent endpoint" << QStringLiteral("timeout");
        QTest::newRow("no recognition language") << "no language" << QStringLiteral("bad_request");
    }
    void recognitionEndsWithOneCancel() {
        QFETCH(QString, fault);
        QFETCH(QString, code);
        MLSpeechConfig c = config();
        QTcpServer silent; // accepts the connection and never answers the handshake
        if (fault == QLatin1String("refused key")) {
            m_server->setAcceptedKeys({QStringLiteral("another-key")});
        } else if (fault == QLatin1String("refused token")) {
            m_server->setAcceptedTokens({QStringLiteral("fresh-token")});
            c = *MLSpeechConfig::fromAuthorizationToken(QStringLiteral("expired-token"),
                                                        QStringLiteral("eastasia"), c.endpoint());
            c.setSpeechRecognitionLanguage(QStringLiteral("zh-CN"));
        } else if (fault == QLatin1String("refuse next")) {
            m_server->refuseNextConnection();
        } else if (fault == QLatin1String("no endpoint")) {
            const quint16 port = m_server->port();
            delete m_server;
            m_server = nullptr;
            c.setEndpoint(QUrl(QStringLiteral("ws://127.0.0.1:%1/speech/eastasia").arg(port)));
        } else if (fault == QLatin1String("drop")) {
            m_server->dropNextConnectionAfterFrames(5);
        } else if (fault == QLatin1String("silent endpoint")) {
            QVERIFY(silent.listen(QHostAddress::LocalHost));
            c.setEndpoint(QUrl(QStringLiteral("ws://127.0.0.1:%1/speech/eastasia").arg(silent.serverPort())));
        } else if (fault == QLatin1String("no language")) {
            c.setSpeechRecognitionLanguage(QString());
        }
        MLAudioCapture capture;
        MLTranslationRecognizer recognizer(c, &capture);
        recognizer.setConnectTimeout(300);
        Recording rec;
        rec.listen(recognizer);
        recognizer.startContinuousRecognition();
        QTRY_COMPARE(rec.count('c'), 1);
        QVERIFY(!recognizer.isRunning());
        QCOMPARE(capture.consumerCount(), 0);
        const MLSpeechRecognitionResult canceled = rec.of('c').at(0);
        QCOMPARE(canceled.reason, int(MLSpeechRecognitionResult::Canceled));
        QCOMPARE(canceled.errorCode, code);
        QVERIFY(!canceled.errorDetails.isEmpty());
        // Nothing follows: no second cancel from the closing socket, no results.
        QTest::qWait(400);
        QCOMPARE(rec.count('c'), 1);
        QCOMPARE(rec.kinds().right(1), QByteArray("c"));
        QCOMPARE(rec.count('f'), 0);
        if (m_server)
            QTRY_COMPARE(m_server->connectionCount(), 0);

        // The same recognizer can start again once the fault is gone.
        if (fault == QLatin1String("refuse next") || fault == QLatin1String("drop")) {
            recognizer.startContinuousRecognition();
            QTRY_COMPARE(rec.count('f'), 2);
            recognizer.stopContinuousRecognition();
        }
    }

    void stopIsClean() {
        m_server->setEventDelay(150); // results still under way when we stop
        QSignalSpy ended(m_server, &StandinSpeechServer::sessionEnded);
        MLAudioCapture capture;
        MLTranslationRecognizer recognizer(config(), &capture);
        Recording rec;
        rec.listen(recognizer);
        recognizer.stopContinuousRecognition(); // not running: nothing happens
        recognizer.startContinuousRecognition();
        recognizer.startContinuousRecognition(); // already running: ignored
        QTRY_VERIFY(rec.count('p') >= 1);
        recognizer.stopContinuousRecognition();
        QVERIFY(!recognizer.isRunning());
        QCOMPARE(capture.consumerCount(), 0);
        const QByteArray before = rec.kinds();
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended.at(0).at(0).toBool(), true);
        QTest::qWait(600); // the delayed results of the stopped session would have come by now
        QCOMPARE(rec.kinds(), before);
        QCOMPARE(rec.count('c'), 0);
        QCOMPARE(m_server->connectionCount(), 0);
    }

    void recognizerMayBeDestroyedByItsListeners() {
        m_server->refuseNextConnection();
        MLAudioCapture capture;
        auto *recognizer = new MLTranslationRecognizer(config(), &capture);
        QPointer<MLRecognizer> guard(recognizer);
        QObject context;
        connect(recognizer, &MLRecognizer::canceled, &context, [recognizer] { delete recognizer; });
        recognizer->startContinuousRecognition();
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(capture.consumerCount(), 0);

        // Destroyed while running: the endpoint sees a goodbye, nothing crashes.
        QSignalSpy ended(m_server, &StandinSpeechServer::sessionEnded);
        auto *running = new MLSpeechRecognizer(config(), &capture);
        QSignalSpy started(running, &MLRecognizer::sessionStarted);
        running->startContinuousRecognition();
        QTRY_COMPARE(started.size(), 1);
        delete running;
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended.at(0).at(0).toBool(), true);
    }

    void withoutMicrophoneTheSessionRunsQuietly() {
        MLAudioCapture::setInputFile(QString());
        MLAudioCapture capture;
        capture.setDevice(QAudioDevice());
        MLTranslationRecognizer recognizer(config(), &capture);
        Recording rec;
        rec.listen(recognizer);
        recognizer.startContinuousRecognition();
        QCOMPARE(capture.state(), MLAudioCapture::State::NoDevice);
        QTRY_COMPARE(rec.kinds(), QByteArray("s"));
        QTest::qWait(200);
        QCOMPARE(rec.kinds(), QByteArray("s"));
        recognizer.stopContinuousRecognition();
        QTRY_COMPARE(m_server->connectionCount(), 0);
        MLAudioCapture::setInputFile(m_twoSentences);
    }
};

ML_TEST_MAIN(TestSpeech)
#include "tst_speech.moc"
