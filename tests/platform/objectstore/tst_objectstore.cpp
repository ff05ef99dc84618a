#include "StandinFileJobs.h"
#include "StandinObjectStore.h"
#include "StandinVoiceRoutes.h"
#include "platform/objectstore/MLObjectStoreMimeType.h"
#include "platform/objectstore/MLObjectStorePresigner.h"
#include "platform/objectstore/MLObjectStoreUploader.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

class TestObjectStore : public QObject {
    Q_OBJECT
    std::unique_ptr<ml::test::StandinFixture> m_standin;
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        m_standin = std::make_unique<ml::test::StandinFixture>();
        QVERIFY(m_standin->isRunning());
    }

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
        QFETCH(QString, expected);
        const QUrl url = MLObjectStorePresigner::objectUrl(endpoint, u"bkt"_s, key);
        QCOMPARE(url.toString(QUrl::FullyEncoded), expected);
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
};

ML_TEST_MAIN(TestObjectStore)
#include "tst_objectstore.moc"
