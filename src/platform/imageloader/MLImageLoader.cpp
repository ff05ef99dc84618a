#include "platform/imageloader/MLImageLoader.h"

#include "platform/kit/MLAppShared.h"
#include "platform/kit/MLDispatch.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

Q_LOGGING_CATEGORY(lcImageLoader, "ml.imageloader")

namespace {
const QString kLoadFailed = QStringLiteral("图片加载失败");
}

MLImageLoader &MLImageLoader::sharedLoader() {
    return mlAppShared<MLImageLoader>();
}

MLImageLoader::MLImageLoader(QNetworkAccessManager *network, QObject *parent)
    : QObject(parent)
    , m_network(network ? network : new QNetworkAccessManager(this))
    , m_cache(kCacheCostKilobytes) {}

MLImageLoader::~MLImageLoader() = default;

bool MLImageLoader::isLoadableUrl(const QUrl &url) {
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

void MLImageLoader::loadImage(const QUrl &url, QObject *context, Success success, Failure failure) {
    const QPointer<QObject> guard(context);
    if (!isLoadableUrl(url)) {
        // Answer asynchronously, like every other outcome, so callers see one order of events.
        MLDispatch::after(0, this, [guard, failure = std::move(failure)] {
            if (guard && failure)
                failure(kLoadFailed, QString());
        });
        return;
    }
    const QString key = url.toString();
    if (const QImage *cached = m_cache.object(key)) {
        MLDispatch::after(0, this, [guard, image = *cached, success = std::move(success)] {
            if (guard && success)
                success(image);
        });
        return;
    }
    const bool alreadyLoading = m_waiting.contains(key);
    m_waiting[key].append(Waiter{guard, std::move(success), std::move(failure)});
    if (alreadyLoading)
        return;

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply *reply = m_network->get(request);
    MLProgressWatch::attach(reply, m_progressRule);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > kMaximumBytes || total > kMaximumBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, key] { finish(reply, key); });
}

void MLImageLoader::finish(QNetworkReply *reply, const QString &key) {
    reply->deleteLater();
    const QList<Waiter> waiters = m_waiting.take(key);
    QImage image;
    if (reply->error() == QNetworkReply::NoError) {
        const QByteArray bytes = reply->read(kMaximumBytes + 1);
        if (bytes.size() <= kMaximumBytes)
            image = decode(bytes);
    }
    if (image.isNull()) {
        qCInfo(lcImageLoader) << "image not loaded:" << reply->url().toDisplayString()
                              << reply->errorString();
    } else {
        const qsizetype kilobytes = qMax<qsizetype>(1, image.sizeInBytes() / 1024);
        m_cache.insert(key, new QImage(image), int(qMin<qsizetype>(kilobytes, kCacheCostKilobytes)));
    }
    for (const Waiter &waiter : waiters) {
        if (!waiter.context)
            continue;
        if (!image.isNull()) {
            if (waiter.success)
                waiter.success(image);
        } else if (waiter.failure) {
            waiter.failure(kLoadFailed, QString());
        }
    }
}

QImage MLImageLoader::decode(const QByteArray &bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaximumDimension || size.height() > kMaximumDimension)
        return {};
    return reader.read();
}
