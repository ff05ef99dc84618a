#include "platform/imageloader/MLImageLoader.h"
#include "platform/imageloader/MLWebImageView.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"
#include "support/TrickleServer.h"

#include <QBuffer>
#include <QPointer>

using namespace Qt::StringLiterals;

using ml::test::StandinFixture;

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

} // namespace

class TestImageLoader : public QObject {
    Q_OBJECT
    std::unique_ptr<StandinFixture> m_standin;

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
    }
    void init() { m_standin->server().clearReceivedRequests(); }

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
};

ML_TEST_MAIN(TestImageLoader)
#include "tst_imageloader.moc"
