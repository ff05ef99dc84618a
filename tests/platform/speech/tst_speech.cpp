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
using namespace Qt::StringLiterals;

namespace {

// Everything a recognizer emits, in order: 's'tarted, 'p'artial, 'f'inal, 'c'anceled, with the results.
struct Recording {
    QObject context;
    QByteArray kinds;
    QList<MLSpeechRecognitionResult> results;

    explicit Recording(MLRecognizer &recognizer) {
        QObject::connect(&recognizer, &MLRecognizer::sessionStarted, &context, [this] { add('s', {}); });
        QObject::connect(&recognizer, &MLRecognizer::recognizing, &context, [this](auto &r) { add('p', r); });
        QObject::connect(&recognizer, &MLRecognizer::recognized, &context, [this](auto &r) { add('f', r); });
        QObject::connect(&recognizer, &MLRecognizer::canceled, &context, [this](auto &r) { add('c', r); });
    }
    void add(char kind, const MLSpeechRecognitionResult &r) {
        kinds += kind;
        results.append(r);
    }
    MLSpeechRecognitionResult last(char kind) const { return results.value(kinds.lastIndexOf(kind)); }
    int count(char kind) const { return int(kinds.count(kind)); }
};

// The stand-in's sentences, as its fixture holds them.
QJsonArray fixtureSentences() {
    QFile file(u":/standin/speech_sentences.json"_s);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll())[u"sentences"_s].toArray()
                                          : QJsonArray();
}

} // namespace

class TestSpeech : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<StandinSpeechServer> m_server;
    QString m_twoSentences;

    MLSpeechConfig config() {
        auto c = MLSpeechConfig::fromSubscription(u"good-key"_s, u"eastasia"_s, m_server->url(u"eastasia"_s));
        c->setSpeechRecognitionLanguage(u"zh-CN"_s);
        c->addTargetLanguage(u"en"_s);
        return *c;
    }

private Q_SLOTS:
    void initTestCase() {
        // Two sentences: tone bursts separated by silence, with silence after the last.
        m_twoSentences = m_dir.filePath(u"two.wav"_s);
        QVERIFY(writeWav(m_twoSentences,
                         signal({{0.3, 0}, {0.8, 0.5, 220}, {0.6, 0}, {0.8, 0.5, 330}, {0.6, 0}}, 16000),
                         16000, 1));
        MLAudioCapture::setRealTimePace(false);
        MLAudioCapture::setInputFile(m_twoSentences);
    }

    void init() {
        m_server = std::make_unique<StandinSpeechServer>();
        QVERIFY(m_server->listen(0));
    }

    void sentencesArriveInOrder_data() {
        QTest::addColumn<bool>("translation");
        QTest::addColumn<bool>("byToken");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("textKey"); // fixture key of the recognised text
        QTest::addColumn<QString>("target");
        QTest::newRow("Chinese to English") << true << false << u"zh-CN"_s << u"zh-Hans"_s << u"en"_s;
        QTest::newRow("English to Chinese, token") << true << true << u"en-US"_s << u"en"_s << u"zh-Hans"_s;
        QTest::newRow("speech only") << false << false << u"zh-CN"_s << u"zh-Hans"_s << u"en"_s;
    }
    void sentencesArriveInOrder() {
        QFETCH(bool, translation);
        QFETCH(bool, byToken);
        QFETCH(QString, language);
        QFETCH(QString, textKey);
        QFETCH(QString, target);
        const QUrl endpoint = m_server->url(u"westus"_s);
        auto c = byToken ? MLSpeechConfig::fromAuthorizationToken(u"token"_s, u"westus"_s, endpoint)
                         : MLSpeechConfig::fromSubscription(u"key"_s, u"westus"_s, endpoint);
        c->setSpeechRecognitionLanguage(language);
        c->addTargetLanguage(target);
        QSignalSpy started(m_server.get(), &StandinSpeechServer::sessionStarted);
        MLAudioCapture capture;
        std::unique_ptr<MLRecognizer> recognizer;
        if (translation)
            recognizer = std::make_unique<MLTranslationRecognizer>(*c, &capture);
        else
            recognizer = std::make_unique<MLSpeechRecognizer>(*c, &capture);
        Recording rec(*recognizer);
        recognizer->startContinuousRecognition();
        QVERIFY(recognizer->isRunning());
        QTRY_COMPARE(rec.count('f'), 2);

        // The endpoint was reached through the region's URL with the session's languages.
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.at(0),
                 (QVariantList{u"westus"_s, language, translation ? QStringList{target} : QStringList{}}));

        // started, then per sentence some partials and one final, each of the reasons of its kind.
        QVERIFY2(QRegularExpression(u"^sp+fp+f$"_s).match(QString::fromLatin1(rec.kinds)).hasMatch(),
                 rec.kinds.constData());
        using R = MLSpeechRecognitionResult;
        const QJsonArray sentences = fixtureSentences();
        for (int i = 1, sentence = 0; i < rec.kinds.size(); ++i) {
            const bool final = rec.kinds.at(i) == 'f';
            const R &r = rec.results.at(i);
            QCOMPARE(r.reason, translation ? (final ? R::TranslatedSpeech : R::TranslatingSpeech)
                                           : (final ? R::RecognizedSpeech : R::RecognizingSpeech));
            QCOMPARE(r.translations.keys(), translation ? QStringList{target} : QStringList{});
            if (final) {
                QCOMPARE(r.text, sentences.at(sentence)[textKey].toString());
                QCOMPARE(r.translations.value(target),
                         translation ? sentences.at(sentence)[target].toString() : QString());
                ++sentence;
            }
        }
        QVERIFY(rec.last('f').offsetMs > rec.results.at(rec.kinds.indexOf('f')).offsetMs);

        recognizer->stopContinuousRecognition();
        QVERIFY(!recognizer->isRunning());
        QTRY_COMPARE(m_server->connectionCount(), 0);
    }

    void recognitionEndsWithOneCancel_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("code");
        QTest::newRow("refused key") << "refused key" << u"unauthorized"_s;
        QTest::newRow("refused token") << "refused token" << u"unauthorized"_s;
        QTest::newRow("endpoint refuses the next connection") << "refuse next" << u"unauthorized"_s;
        QTest::newRow("no endpoint") << "no endpoint" << u"connection_failed"_s;
        QTest::newRow("connection dropped") << "drop" << u"connection_lost"_s;
        QTest::newRow("endpoint never answers") << "silent endpoint" << u"timeout"_s;
        QTest::newRow("no recognition language") << "no language" << u"bad_request"_s;
    }
    void recognitionEndsWithOneCancel() {
        QFETCH(QString, fault);
        MLSpeechConfig c = config();
        QTcpServer silent; // accepts the connection and never answers the handshake
        if (fault == u"refused key"_s) {
            m_server->setAcceptedKeys({u"another-key"_s});
        } else if (fault == u"refused token"_s) {
            m_server->setAcceptedTokens({u"fresh-token"_s});
            c = *MLSpeechConfig::fromAuthorizationToken(u"expired-token"_s, u"eastasia"_s, c.endpoint());
            c.setSpeechRecognitionLanguage(u"zh-CN"_s);
        } else if (fault == u"refuse next"_s) {
            m_server->refuseNextConnection();
        } else if (fault == u"no endpoint"_s) {
            const quint16 port = m_server->port();
            m_server.reset();
            c.setEndpoint(QUrl(u"ws://127.0.0.1:%1/speech/eastasia"_s.arg(port)));
        } else if (fault == u"drop"_s) {
            m_server->dropNextConnectionAfterFrames(5);
        } else if (fault == u"silent endpoint"_s) {
            QVERIFY(silent.listen(QHostAddress::LocalHost));
            c.setEndpoint(QUrl(u"ws://127.0.0.1:%1/speech/eastasia"_s.arg(silent.serverPort())));
        } else if (fault == u"no language"_s) {
            c.setSpeechRecognitionLanguage(QString());
        }
        MLAudioCapture capture;
        MLTranslationRecognizer recognizer(c, &capture);
        recognizer.setConnectTimeout(300);
        Recording rec(recognizer);
        recognizer.startContinuousRecognition();
        QTRY_COMPARE(rec.count('c'), 1);
        QVERIFY(!recognizer.isRunning());
        QCOMPARE(capture.consumerCount(), 0);
        const MLSpeechRecognitionResult canceled = rec.last('c');
        QCOMPARE(canceled.reason, int(MLSpeechRecognitionResult::Canceled));
        QTEST(canceled.errorCode, "code");
        QVERIFY(!canceled.errorDetails.isEmpty());
        // Nothing follows once the connection is gone: no second cancel from the closing socket.
        if (m_server)
            QTRY_COMPARE(m_server->connectionCount(), 0);
        QCoreApplication::processEvents();
        QVERIFY2(QRegularExpression(u"^s?p*c$"_s).match(QString::fromLatin1(rec.kinds)).hasMatch(),
                 rec.kinds.constData());

        // The same recognizer can start again once the fault is gone.
        if (fault == u"refuse next"_s || fault == u"drop"_s) {
            recognizer.startContinuousRecognition();
            QTRY_COMPARE(rec.count('f'), 2);
            recognizer.stopContinuousRecognition();
        }
    }

    void stopIsClean() {
        m_server->setEventDelay(150); // results still under way when we stop
        QSignalSpy ended(m_server.get(), &StandinSpeechServer::sessionEnded);
        MLAudioCapture capture;
        MLTranslationRecognizer recognizer(config(), &capture);
        Recording rec(recognizer);
        recognizer.stopContinuousRecognition(); // not running: nothing happens
        recognizer.startContinuousRecognition();
        recognizer.startContinuousRecognition(); // already running: ignored
        QTRY_VERIFY(rec.count('p') >= 1);
        recognizer.stopContinuousRecognition();
        QVERIFY(!recognizer.isRunning());
        QCOMPARE(capture.consumerCount(), 0);
        const QByteArray before = rec.kinds;
        QTRY_COMPARE(ended.size(), 1);
        QCOMPARE(ended.at(0).at(0).toBool(), true);
        // The delayed results of the stopped session have nowhere to go once the connection is gone.
        QTRY_COMPARE(m_server->connectionCount(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(rec.kinds, before);
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
    }
};

ML_TEST_MAIN(TestSpeech)
#include "tst_speech.moc"
