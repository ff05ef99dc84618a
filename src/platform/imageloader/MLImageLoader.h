#pragma once

#include "platform/http/MLProgressWatch.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// Fetches images by URL for the image views: one GET per URL at a time (callers asking for the same
// URL while it loads wait for the same answer), decoded images kept in a small memory cache. Only
// http and https URLs are fetched; answers are limited in size and decoded with bounded dimensions,
// so a hostile answer cannot exhaust memory. Completions run on the main thread and are dropped for
// callers whose context object is gone.
class MLImageLoader final : public QObject {
    Q_OBJECT
public:
    using Success = std::function<void(const QImage &image)>;
    using Failure = std::function<void(const QString &message, const QString &code)>;

    static constexpr qint64 kMaximumBytes = 8 * 1024 * 1024;
    static constexpr int kMaximumDimension = 4096;
    static constexpr int kCacheCostKilobytes = 32 * 1024;

    // The application's loader, made on first use.
    static MLImageLoader &sharedLoader();

    // A loader over `network`, or over a QNetworkAccessManager of its own when none is given.
    explicit MLImageLoader(QNetworkAccessManager *network = nullptr, QObject *parent = nullptr);
    ~MLImageLoader() override;

    // Calls `success` with the decoded image, or `failure` with a message (and an empty code) when the
    // URL is not fetchable, the transfer fails, the answer is too large or is not an image. A cached
    // image is handed over at the next turn of the event loop, never synchronously. Nothing is called
    // once `context` is destroyed.
    void loadImage(const QUrl &url, QObject *context, Success success, Failure failure);

    // Only absolute http(s) URLs with a host are fetched.
    static bool isLoadableUrl(const QUrl &url);

    // A load that stops making progress ends as a failure (MLProgressWatch's rule by default).
    void setProgressRule(MLProgressWatch::Rule rule) { m_progressRule = rule; }

    // Forgets the cached images (tests, low memory).
    void clearCache() { m_cache.clear(); }
    bool isCached(const QUrl &url) const { return m_cache.contains(url.toString()); }
    int loadsInFlight() const { return int(m_waiting.size()); }

private:
    struct Waiter {
        QPointer<QObject> context;
        Success success;
        Failure failure;
    };

    void finish(QNetworkReply *reply, const QString &key);
    static QImage decode(const QByteArray &bytes);

    QNetworkAccessManager *m_network;
    MLProgressWatch::Rule m_progressRule;
    QCache<QString, QImage> m_cache;
    QHash<QString, QList<Waiter>> m_waiting;
};
