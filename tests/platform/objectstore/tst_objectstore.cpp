#include "StandinFileJobs.h"
#include "StandinObjectStore.h"
#include "StandinVoiceRoutes.h"
#include "platform/objectstore/MLObjectStoreMimeType.h"
#include "platform/objectstore/MLObjectStorePresigner.h"
#include "platform/objectstore/MLObjectStoreUploader.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QUrlQuery>

class TestObjectStore : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &bytes) {
        QFile file(m_dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
    }

    void hmacSha1IsBase64OfTheDigest() {
        // RFC 2202, test case 2.
        QCOMPARE(MLObjectStorePresigner::calBase64Sha1WithData("what do ya want for nothing?",
                                                               QStringLiteral("Jefe")),
                 QStringLiteral("7/zfauXrL6LSdBbV8YTfnCWafHk="));
        QVERIFY(MLObjectStorePresigner::calBase64Sha1WithData("data", QString()).isEmpty());
    }

    void objectUrls_data() {
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("loopback: path style")
            << "http://127.0.0.1:8765/oss" << QStringLiteral("voice/1/2.mp3")
            << QStringLiteral("http://127.0.0.1:8765/oss/bkt/voice/1/2.mp3");
        QTest::newRow("host name: virtual host, https by default")
            << QStringLiteral("oss-cn-hangzhou.example.net") << QStringLiteral("a b/会.wav")
            << QStringLiteral("https://bkt.oss-cn-hangzhou.example.net/a%20b/%E4%BC%9A.wav");
        QTest::newRow("not a web address") << "ftp://host" << QStringLiteral("k") << QString();
    }
    void objectUrls() {
        QFETCH(QString, endpoint);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QUrl url = MLObjectStorePresigner::objectUrl(endpoint, QStringLiteral("bkt"), key);
        QCOMPARE(url.toString(QUrl::FullyEncoded), expected);
    }

    void presignedAddressCarriesEncodedSignature() {
        const MLObjectStorePresigner presigner(
            QStringLiteral("http://127.0.0.1:1/oss"),
            {QStringLiteral("id+1"), QStringLiteral("secret"), QStringLiteral("tok/en")});
        const auto url = presigner.presignConstrainURL(QStringLiteral("bkt"), QStringLiteral("k.mp3"),
                                                       QStringLiteral("PUT"), 1800,
                                                       QStringLiteral("audio/mpeg"), QString(), 1000);
        QVERIFY(url);
        const QUrlQuery query(*url);
        QCOMPARE(query.queryItemValue(QStringLiteral("Expires")), QStringLiteral("2800"));
        QCOMPARE(query.queryItemValue(QStringLiteral("OSSAccessKeyId"), QUrl::FullyDecoded),
                 QStringLiteral("id+1"));
        const QByteArray signed_ = "PUT\n\naudio/mpeg\n2800\n/bkt/k.mp3?security-token=tok/en";
        const QString signature = StandinObjectStore::signature(QStringLiteral("secret"), signed_);
        QCOMPARE(query.queryItemValue(QStringLiteral("Signature"), QUrl::FullyDecoded), signature);
        // No raw "+", "/" or "=" of the Base64 reaches the query text.
        const QString encoded = url->query(QUrl::FullyEncoded);
        const QString rawSignature =
            encoded.section(QStringLiteral("Signature="), 1).section(QLatin1Char('&'), 0, 0);
        QVERIFY(!rawSignature.contains(QLatin1Char('+')) && !rawSignature.contains(QLatin1Char('/')));
        QVERIFY(!rawSignature.contains(QLatin1Char('=')));

        const MLObjectStorePresigner noSecret(QStringLiteral("http://127.0.0.1:1/oss"),
                                              {QStringLiteral("id"), {}, {}});
        QVERIFY(!noSecret.presignConstrainURL(QStringLiteral("bkt"), QStringLiteral("k"),
                                              QStringLiteral("PUT"), 1800, QString(), QString(), 0));
    }

    void mediaTypesByName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("uploadName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("extension of the file")
            << "/tmp/Meeting.MP3" << QStringLiteral("x") << QStringLiteral("audio/mpeg");
        QTest::newRow("file URL") << "file:///tmp/a%20b.wav" << QString() << QStringLiteral("audio/wav");
        QTest::newRow("else the upload name")
            << "/tmp/noext" << QStringLiteral("voice/1.m4a") << QStringLiteral("audio/mp4");
        QTest::newRow("unknown") << "/tmp/noext" << QStringLiteral("object")
                                 << QStringLiteral("application/octet-stream");
    }
    void mediaTypesByName() {
        QFETCH(QString, path);
        QFETCH(QString, uploadName);
        QTEST(MLObjectStoreMimeType::mimeTypeForFilePath(path, uploadName), "expected");
    }

    // The stand-in checks what the address was signed for; only an exact, unexpired PUT is stored.
    void putIsVerifiedByTheObjectStore_data() {
        QTest::addColumn<qint64>("clockShift");
        QTest::addColumn<QString>("sentType");
        QTest::addColumn<bool>("wrongSecret");
        QTest::addColumn<int>("status");
        QTest::newRow("valid") << qint64(0) << "audio/mpeg" << false << 200;
        QTest::newRow("expired") << qint64(-3600) << "audio/mpeg" << false << 403;
        QTest::newRow("other media type than signed") << qint64(0) << "audio/wav" << false << 403;
        QTest::newRow("signed with another secret") << qint64(0) << "audio/mpeg" << true << 403;
    }
    void putIsVerifiedByTheObjectStore() {
        QFETCH(qint64, clockShift);
        QFETCH(QString, sentType);
        QFETCH(bool, wrongSecret);
        QFETCH(int, status);
        StandinServer &server = m_standin->server();
        StandinFileJobs *jobs = StandinFileJobs::of(server);
        QVERIFY(jobs);
        StandinFileJobs::VoiceJob job;
        job.consumerId = 10001;
        job.fileName = QStringLiteral("m.mp3");
        job.bucketName = QLatin1String(StandinVoiceRoutes::kBucketName);
        job.accessKeyId = QStringLiteral("STS.test");
        job.accessKeySecret = QStringLiteral("s3cr+t/==");
        job.securityToken = QStringLiteral("token");
        StandinFileJobs::VoiceJob &added = jobs->addVoiceJob(job);
        added.objectName = QStringLiteral("voice/test/%1.mp3").arg(added.id);
        const qint64 id = added.id;
        server.route(
            StandinObjectStore::path(added.bucketName, added.objectName),
            [jobs, id](const StandinRequest &r) { return StandinObjectStore::handle(*jobs, id, r); },
            StandinRouteKind::Raw, false);

        const MLObjectStorePresigner presigner(m_standin->apiBaseUrl() + QStringLiteral("/oss"),
                                               {added.accessKeyId,
                                                wrongSecret ? QStringLiteral("other") : added.accessKeySecret,
                                                added.securityToken});
        const auto url = presigner.presignConstrainURL(
            added.bucketName, added.objectName, QStringLiteral("PUT"), 1800, QStringLiteral("audio/mpeg"),
            QString(), QDateTime::currentSecsSinceEpoch() + clockShift);
        QVERIFY(url);
        const QByteArray body(200000, 'a');
        std::optional<MLObjectStoreUploader::Result> result;
        MLObjectStoreUploader::putFile(*url, writeFile(QStringLiteral("m.mp3"), body), sentType, this,
                                       [&](const MLObjectStoreUploader::Result &r) { result = r; });
        QTRY_VERIFY(result);
        QCOMPARE(result->httpStatus, status);
        QCOMPARE(jobs->voiceJob(id)->uploaded, status == 200);
        QCOMPARE(jobs->storedObject(job.bucketName, jobs->voiceJob(id)->objectName),
                 status == 200 ? body : QByteArray());
    }

    void unreadableFileFailsWithoutRequest() {
        std::optional<MLObjectStoreUploader::Result> result;
        MLObjectStoreUploader::putFile(QUrl(m_standin->apiBaseUrl() + QStringLiteral("/oss/x")),
                                       m_dir.filePath(QStringLiteral("missing.mp3")),
                                       QStringLiteral("audio/mpeg"), this,
                                       [&](const MLObjectStoreUploader::Result &r) { result = r; });
        QTRY_VERIFY(result);
        QVERIFY(result->error != QNetworkReply::NoError);
        QVERIFY(!m_standin->server().lastRequest(QStringLiteral("/oss/x")));
    }
};

ML_TEST_MAIN(TestObjectStore)
#include "tst_objectstore.moc"
