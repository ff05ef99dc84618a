#include "platform/http/MLHttpTransport.h"
#include "support/MLTestMain.h"
#include "support/StandinFixture.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

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

} // namespace

class TestTransport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The deadline counts from the last piece of the body sent: an upload that takes several deadlines
    // while it keeps moving gets its answer.
    void anUploadOutlastsTheDeadlineWhileItMoves() {
        constexpr int kDeadlineMs = 250;
        ml::test::StandinFixture standin;
        QVERIFY(standin.isRunning());
        SlowUplink uplink;
        MLHttpTransport transport(&uplink);
        transport.setTransferTimeout(kDeadlineMs);
        std::optional<MLHttpTransport::Answer> answer;
        QElapsedTimer clock;
        clock.start();
        transport.post(QNetworkRequest(QUrl(standin.apiBaseUrl() + u"/meInfo/getMeInfo"_s)),
                       QByteArray(80 * 1024, 'u'), this,
                       [&answer](const MLHttpTransport::Answer &a) { answer = a; });
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 30000);
        QCOMPARE(answer->error, QNetworkReply::NoError);
        QVERIFY2(clock.elapsed() > 3 * kDeadlineMs, "the upload was too quick to test the deadline");
    }
};

ML_TEST_MAIN(TestTransport)
#include "tst_transport.moc"
