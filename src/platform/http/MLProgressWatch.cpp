#include "platform/http/MLProgressWatch.h"

#include <QLoggingCategory>
#include <QNetworkReply>
#include <QTimer>

#include <memory>

namespace {
// Logged with the service client ("ml.net").
Q_LOGGING_CATEGORY(lcHttp, "ml.net")
constexpr const char *kStalledProperty = "mlStalled";
} // namespace

void MLProgressWatch::attach(QNetworkReply *reply, Rule rule) {
    struct Counts {
        qint64 received = 0;
        qint64 atLastLook = 0;
    };
    auto counts = std::make_shared<Counts>();
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [counts](qint64 received, qint64) { counts->received = received; });
    auto *timer = new QTimer(reply);
    QObject::connect(timer, &QTimer::timeout, reply, [reply, timer, counts, rule] {
        if (reply->isFinished()) {
            timer->stop();
            return;
        }
        if (counts->received - counts->atLastLook < rule.minimumBytes) {
            qCInfo(lcHttp) << reply->url().path() << "made no progress: fewer than" << rule.minimumBytes
                           << "bytes in" << rule.windowMs << "ms";
            timer->stop();
            reply->setProperty(kStalledProperty, true);
            reply->abort();
            return;
        }
        counts->atLastLook = counts->received;
    });
    timer->start(rule.windowMs);
}

bool MLProgressWatch::stalled(const QNetworkReply *reply) {
    return reply && reply->property(kStalledProperty).toBool();
}
