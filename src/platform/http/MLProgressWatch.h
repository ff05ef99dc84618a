#pragma once

#include <QtGlobal>

class QNetworkReply;

// Ends a transfer that stops making progress, for downloads and image loads that have no overall
// deadline: a large answer may take long, as long as it keeps coming. Every `windowMs` the bytes
// received since the last look are counted; fewer than `minimumBytes` abort the reply. With the
// default rule a transfer must bring at least 4 KB in every 15 seconds (about 270 bytes a second),
// so a server that sends a byte now and then no longer holds it open for ever.
class MLProgressWatch final {
public:
    struct Rule {
        int windowMs = 15000;
        qint64 minimumBytes = 4096;
    };

    // Watches `reply` until it finishes (the watch is its child).
    static void attach(QNetworkReply *reply, Rule rule);

    // Whether the watch aborted `reply`.
    static bool stalled(const QNetworkReply *reply);
};
