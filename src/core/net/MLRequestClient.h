#pragma once

#include "core/net/MLAnswerJudge.h"
#include "core/net/MLContextGuard.h"
#include "core/net/MLRequestBlocks.h"
#include "core/session/MLUserManager.h"
#include "platform/http/MLHttpTransport.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The one request path of the client: a request is built, signed with the service's header fields,
// posted once over MLHttpTransport, and its answer judged and delivered on the client's thread. The
// request managers are configurations of it that differ only in where a request goes, what it carries
// and how its answer is judged. Calls may come from any thread; the work is done on the client's.
class MLRequestClient : public QObject {
    Q_OBJECT
public:
    MLRequestClient(MLHttpTransport &transport, MLUserManager &users, QObject *parent = nullptr);

protected:
    // One request.
    struct Call {
        // The origin `path` is appended to, read when the request goes out; none when `path` is an
        // absolute URL.
        QString (*origin)() = nullptr;
        QString path;
        QByteArray contentType = QByteArrayLiteral("application/json");
        QByteArray body;
        // Where set, sent as the header `authorization` in place of the service's header fields
        // (MLRequestHeaderFields), which go to the service only.
        std::optional<QByteArray> authorization = std::nullopt;
    };
    // Gets the finished request's answer, whether or not the caller's context still lives.
    using AnswerHandler =
        std::function<void(const MLHttpTransport::Answer &answer, const MLContextGuard &guard)>;

    // The application's client of class `Client`, over the shared transport and session store, made on
    // first use.
    template <class Client> static Client &shared() {
        static Client *client =
            new Client(MLHttpTransport::shared(), MLUserManager::sharedManager(), &MLHttpTransport::shared());
        return *client;
    }

    // Posts `call`; its answer is judged as the service's (MLAnswerJudge::judge with `digest`) and
    // delivered (MLAnswerJudge::deliver): a sign-out first, then `success` or `failure` while `context`
    // lives (a null context holds nothing).
    void post(Call call, MLAnswerJudge::Digest digest, MLAnswerBlock success, MLFailureBlock failure,
              QObject *context);
    // Posts `call` and hands its answer to `handler`.
    void post(Call call, QObject *context, AnswerHandler handler);

private:
    MLHttpTransport &m_transport;
    MLUserManager &m_users;
};
