// Transfers: the request transport's deadline, the image loader, the object store, and the speech
// service's recognizers over their WebSocket.
#include "StandinFileJobs.h"
#include "StandinObjectStore.h"
#include "StandinSpeechServer.h"
#include "StandinVoiceRoutes.h"
#include "platform/audio/MLAudioCapture.h"
#include "platform/http/MLHttpTransport.h"
#include "platform/imageloader/MLImageLoader.h"
#include "platform/imageloader/MLWebImageView.h"
#include "platform/objectstore/MLObjectStoreMimeType.h"
#include "platform/objectstore/MLObjectStorePresigner.h"
#include "platform/objectstore/MLObjectStoreUploader.h"
#include "platform/speech/MLSpeechRecognizer.h"
#include "platform/speech/MLTranslationRecognizer.h"
#include "support/MLTestAudio.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "support/TestFiles.h"
#include "support/TrickleServer.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::StringLiterals;

using namespace ml::test;

namespace {

struct LoadOutcome {
    int successes = 0;
    int failures = 0;
    QImage image;
    QString message;
    QString code = u"unset"_s;
};

QByteArray pngOf(const QSize &size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// A request body that comes out `piece` bytes every `intervalMs`, as through a slow uplink (the
// socket's buffers would otherwise take it all at once on loopback).
class PacedBody final : public QIODevice {
public:
    PacedBody(QIODevice *source, qint64 piece, int intervalMs)
        : m_source(source) {
        source->setParent(this);
        open(QIODevice::ReadOnly);
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, piece] {
            m_allowed += piece;
            Q_EMIT readyRead();
        });
        timer->start(intervalMs);
    }
    bool isSequential() const override { return true; }
    bool reset() override { return m_source->reset(); }
    qint64 size() const override { return m_source->size(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override {
        if (m_source->atEnd())
            return -1;
        const qint64 read = m_source->read(data, qMin(maxSize, m_allowed));
        m_allowed -= qMax<qint64>(read, 0);
        return read;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QIODevice *m_source;
    qint64 m_allowed = 0;
};

// Sends every request body at 2 KB per 20 ms.
class SlowUplink final : public QNetworkAccessManager {
protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request, QIODevice *body) override {
        return QNetworkAccessManager::createRequest(op, request, body ? new PacedBody(body, 2048, 20) : body);
    }
};

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

class TestHttp : public QObject {
    Q_OBJECT
    std::unique_ptr<StandinFixture> m_standin;
    QTemporaryDir m_dir;
    std::unique_ptr<StandinSpeechServer> m_server;
    QString m_twoSentences;

    MLSpeechConfig config() {
        auto c = MLSpeechConfig::fromSubscription(u"good-key"_s, u"eastasia"_s, m_server->url(u"eastasia"_s));
        c->setSpeechRecognitionLanguage(u"zh-CN"_s);
        c->addTargetLanguage(u"en"_s);
        return *c;
    }

    QString url(const QString &path) const { return m_standin->apiBaseUrl() + path; }

    std::shared_ptr<LoadOutcome> load(MLImageLoader &loader, const QString &address, QObject *context) {
        auto outcome = std::make_shared<LoadOutcome>();
        loader.loadImage(
            QUrl(address), context,
            [outcome](const QImage &image) {
                ++outcome->successes;
                outcome->image = image;
            },
            [outcome](const QString &message, const QString &code) {
                ++outcome->failures;
                outcome->message = message;
                outcome->code = code;
            });
        return outcome;
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<StandinFixture>();
        QVERIFY(m_standin->isRunning());
        StandinServer &server = m_standin->server();
        const auto raw = [&server](const QString &path, const QByteArray &body, const QByteArray &type) {
            server.route(
                path, [body, type](const StandinRequest &) { return StandinReply::raw(body, type); },
                StandinRouteKind::Raw, false);
        };
        raw(u"/test/text.png"_s, QByteArrayLiteral("not an image at all"), "image/png");
        raw(u"/test/huge.bin"_s, QByteArray(MLImageLoader::kMaximumBytes + 1024, 'x'), "image/png");
        raw(u"/test/wide.png"_s, pngOf(QSize(MLImageLoader::kMaximumDimension + 1, 1)), "image/png");
        // Two sentences: tone bursts separated by silence, with silence after the last.
        m_twoSentences = m_dir.filePath(u"two.wav"_s);
        QVERIFY(writeWav(m_twoSentences,
                         signal({{0.3, 0}, {0.8, 0.5, 220}, {0.6, 0}, {0.8, 0.5, 330}, {0.6, 0}}, 16000),
                         16000, 1));
        MLAudioCapture::setRealTimePace(false);
        MLAudioCapture::setInputFile(m_twoSentences);
    }
    void init() {
        m_standin->server().clearReceivedRequests();
        m_server = std::make_unique<StandinSpeechServer>();
        QVERIFY(m_server->listen(0));
    }

    // Failures are never synchronous and keep the view's placeholder; only http(s) is fetched; an
    // answer that trickles in a byte now and then ends the load.
    void failuresKeepPlaceholder_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("fetched");
        QTest::newRow("not found") << url(u"/static/icons/missing.png"_s) << true;
        QTest::newRow("not an image") << url(u"/test/text.png"_s) << true;
        QTest::newRow("too large") << url(u"/test/huge.bin"_s) << true;
        QTest::newRow("too many pixels") << url(u"/test/wide.png"_s) << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("file") << u"file:///etc/passwd"_s << false;
        QTest::newRow("stalled") << u"trickle"_s << false;
    }
    void failuresKeepPlaceholder() {
        QFETCH(QString, address);
        QFETCH(bool, fetched);
        ml::test::TrickleServer trickle(QByteArray(10000, 'i'), 1, 50);
        if (address == "trickle"_L1)
            address = trickle.url(u"/slow.png"_s);
        MLImageLoader loader;
        loader.setProgressRule({200, 512});
        MLWebImageView view;
        view.setLoader(&loader);
        view.setImageWithURL(QUrl(address), u"123"_s);
        QObject context;
        auto outcome = load(loader, address, &context); // answered after the view
        QCOMPARE(outcome->failures, 0);
        QTRY_COMPARE(outcome->failures, 1);
        QCOMPARE(outcome->successes, 0);
        QVERIFY(!outcome->message.isEmpty());
        QCOMPARE(outcome->code, QString());
        QCOMPARE(m_standin->server().receivedRequests().size(), fetched ? 1 : 0);
        QVERIFY(view.isShowingPlaceholder());
        QCOMPARE(loader.loadsInFlight(), 0);
    }

    void oneFetchPerUrlAndCached() {
        MLImageLoader loader;
        QObject first;
        auto *second = new QObject;
        const QString address = url(u"/static/icons/tariff_cheap.png"_s);
        m_standin->server().injectFault(u"/static/icons/tariff_cheap.png"_s, StandinFault::delay(150));
        auto a = load(loader, address, &first);
        auto b = load(loader, address, second);
        delete second;                 // its completion is dropped, the other waiter still gets the image
        QTRY_COMPARE(a->successes, 1); // every waiter is answered in the same turn
        QCOMPARE(b->successes + b->failures, 0);
        QCOMPARE(m_standin->server().receivedRequests().size(), 1);
        QVERIFY(loader.isCached(QUrl(address)));
        auto c = load(loader, address, &first);
        QTRY_COMPARE(c->successes, 1);
        QCOMPARE(c->image, a->image);
        QCOMPARE(m_standin->server().receivedRequests().size(), 1);
    }

    // The placeholder shows at once; a newer address supersedes a slower load, and an asset a load.
    void newerUrlSupersedesSlowerOne() {
        MLImageLoader loader;
        MLWebImageView view;
        view.setLoader(&loader);
        m_standin->server().injectFault(u"/static/icons/tariff_high.png"_s, StandinFault::delay(200));
        view.setImageWithURL(QUrl(url(u"/static/icons/tariff_high.png"_s)), u"123"_s);
        view.setImageWithURL(QUrl(url(u"/static/icons/tariff_cheap.png"_s)), u"123"_s);
        QVERIFY(view.isShowingPlaceholder());
        QTRY_COMPARE(m_standin->server().receivedRequests().size(), 2);
        QTRY_COMPARE(loader.loadsInFlight(), 0);
        QCOMPARE(view.image().pixelColor(32, 5), QColor(u"#F7B84B"_s));
        view.setImageWithURL(QUrl(url(u"/static/icons/tariff_high.png"_s)), u"123"_s);
        view.setImageNamed(u"iconUserImage"_s);
        QCoreApplication::processEvents(); // the cached image would arrive now
        QCOMPARE(view.assetName(), u"iconUserImage"_s);
        QVERIFY(view.image().isNull());
    }

    void viewDestroyedBeforeAnswer() {
        MLImageLoader loader;
        QPointer<MLWebImageView> view = new MLWebImageView;
        view->setLoader(&loader);
        m_standin->server().injectFault(u"/static/icons/tariff_audio.png"_s, StandinFault::delay(100));
        view->setImageWithURL(QUrl(url(u"/static/icons/tariff_audio.png"_s)), u"123"_s);
        delete view;
        QTRY_COMPARE(loader.loadsInFlight(), 0);
        QVERIFY(loader.isCached(QUrl(url(u"/static/icons/tariff_audio.png"_s))));
    }

    // The deadline counts from the last piece of the body sent: an upload that takes several deadlines
    // while it keeps moving gets its answer.
    void anUploadOutlastsTheDeadlineWhileItMoves() {
        constexpr int kDeadlineMs = 250;
        SlowUplink uplink;
        MLHttpTransport transport(&uplink);
        transport.setTransferTimeout(kDeadlineMs);
        std::optional<MLHttpTransport::Answer> answer;
        QElapsedTimer clock;
        clock.start();
        transport.post(QNetworkRequest(QUrl(m_standin->apiBaseUrl() + u"/meInfo/getMeInfo"_s)),
                       QByteArray(80 * 1024, 'u'), this,
                       [&answer](const MLHttpTransport::Answer &a) { answer = a; });
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 30000);
        QCOMPARE(answer->error, QNetworkReply::NoError);
        QVERIFY2(clock.elapsed() > 3 * kDeadlineMs, "the upload was too quick to test the deadline");
    }

    // ---- object store ----

    void objectUrls_data() {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("loopback: path style") << "http://127.0.0.1:8765/oss" << u"voice/1/2.mp3"_s
                                              << u"http://127.0.0.1:8765/oss/bkt/voice/1/2.mp3"_s;
        QTest::newRow("host name: virtual host, https by default")
            << u"oss-cn-hangzhou.example.net"_s << u"a b/会.wav"_s
            << u"https://bkt.oss-cn-hangzhou.example.net/a%20b/%E4%BC%9A.wav"_s;
        QTest::newRow("not a web address") << "ftp://host" << u"k"_s << QString();
    }
    void objectUrls() {
        QFETCH(QString, endpoint);
        QFETCH(QString, key);
        const QUrl url = MLObjectStorePresigner::objectUrl(endpoint, u"bkt"_s, key);
        QTEST(url.toString(QUrl::FullyEncoded), "expected");
    }

    void mediaTypesByName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("uploadName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("extension of the file") << "/tmp/Meeting.MP3" << u"x"_s << u"audio/mpeg"_s;
        QTest::newRow("else the upload name") << "/tmp/noext" << u"voice/1.m4a"_s << u"audio/mp4"_s;
        QTest::newRow("unknown") << "/tmp/noext" << u"object"_s << u"application/octet-stream"_s;
    }
    void mediaTypesByName() {
        QFETCH(QString, path);
        QFETCH(QString, uploadName);
        QTEST(MLObjectStoreMimeType::mimeTypeForFilePath(path, uploadName), "expected");
    }

    // The stand-in checks what the address was signed for; only an exact, unexpired PUT is stored. The
    // signature's Base64 reaches the query percent-encoded; an unreadable file fails without a request (0).
    void putIsVerifiedByTheObjectStore_data() {
        QTest::addColumn<qint64>("clockShift");
        QTest::addColumn<QString>("sentType");
        QTest::addColumn<QString>("secret");
        QTest::addColumn<int>("status");
        const QString secret = u"s3cr+t/=="_s;
        QTest::newRow("valid") << qint64(0) << u"audio/mpeg"_s << secret << 200;
        QTest::newRow("expired") << qint64(-3600) << u"audio/mpeg"_s << secret << 403;
        QTest::newRow("other media type than signed") << qint64(0) << u"audio/wav"_s << secret << 403;
        QTest::newRow("signed with another secret") << qint64(0) << u"audio/mpeg"_s << u"other"_s << 403;
        QTest::newRow("unreadable file") << qint64(0) << u"audio/mpeg"_s << secret << 0;
    }
    void putIsVerifiedByTheObjectStore() {
        QFETCH(qint64, clockShift);
        QFETCH(QString, sentType);
        QFETCH(QString, secret);
        QFETCH(int, status);
        StandinFileJobs *jobs = StandinFileJobs::of(m_standin->server());
        QVERIFY(jobs);
        StandinFileJobs::VoiceJob job;
        job.consumerId = 10001;
        job.bucketName = QLatin1String(StandinVoiceRoutes::kBucketName);
        job.accessKeyId = u"STS.test"_s;
        job.accessKeySecret = u"s3cr+t/=="_s;
        job.securityToken = u"token"_s;
        StandinFileJobs::VoiceJob &added = jobs->addVoiceJob(job);
        added.objectName = u"voice/test/%1.mp3"_s.arg(added.id);
        const qint64 id = added.id;
        m_standin->server().route(
            StandinObjectStore::path(added.bucketName, added.objectName),
            [jobs, id](const StandinRequest &r) { return StandinObjectStore::handle(*jobs, id, r); },
            StandinRouteKind::Raw, false);

        const qint64 now = QDateTime::currentSecsSinceEpoch() + clockShift;
        const MLObjectStorePresigner presigner(m_standin->apiBaseUrl() + u"/oss"_s,
                                               {added.accessKeyId, secret, added.securityToken});
        const auto url = presigner.presignConstrainURL(added.bucketName, added.objectName, u"PUT"_s, 1800,
                                                       u"audio/mpeg"_s, QString(), now);
        QCOMPARE(bool(url), status >= 0);
        if (!url)
            return;
        const QString signature =
            url->query(QUrl::FullyEncoded).section(u"Signature="_s, 1).section(u'&', 0, 0);
        QVERIFY2(!signature.contains(u'+') && !signature.contains(u'/') && !signature.contains(u'='),
                 qPrintable(signature));

        const QByteArray body(200000, 'a');
        std::optional<MLObjectStoreUploader::Result> result;
        const QString file = m_dir.filePath(status ? u"m.mp3"_s : u"none.mp3"_s);
        QVERIFY(!status || ml::test::writeFile(file, body));
        MLObjectStoreUploader::putFile(*url, file, sentType, this,
                                       [&](const MLObjectStoreUploader::Result &r) { result = r; });
        QTRY_VERIFY(result);
        QCOMPARE(result->httpStatus, status);
        QCOMPARE(result->error == QNetworkReply::NoError, status == 200);
        QCOMPARE(m_standin->server().receivedRequests(url->path()).size(), status ? 1 : 0);
        QCOMPARE(jobs->voiceJob(id)->uploaded, status == 200);
        QCOMPARE(jobs->storedObject(job.bucketName, jobs->voiceJob(id)->objectName),
                 status == 200 ? body : QByteArray());
    }

    // ---- speech ----

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

ML_TEST_MAIN(TestHttp)
#include "tst_http.moc"
