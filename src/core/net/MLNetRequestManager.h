#pragma once

#include "core/net/MLRequestClient.h"
#include "core/security/SecurityCore.h"

#include <QJsonObject>
#include <QString>

#include <type_traits>

// The client of the service API: POSTs an envelope to the API base URL plus a path and judges the
// answer with its digest (see MLAnswerJudge). Both blocks run on the main thread; no progress
// overlay, no retry.
class MLNetRequestManager final : public MLRequestClient {
    Q_OBJECT
public:
    using MLRequestClient::MLRequestClient;

    // The application's client, made on first use.
    static MLNetRequestManager &sharedService();

    // POSTs `parameters` (the envelope text of MLEncryptOperation; empty is sent as "{}") to the API
    // base URL followed by `path`, with the standard header fields. `success` gets the whole answer
    // object ("dt" still encrypted); `failure` gets a message and the service's code (empty for
    // transport and format failures). Both are dropped when `context` is destroyed before the answer;
    // a sign-out ("DIA005") happens regardless. Callable from any thread.
    void postUrl(const QString &path, const QString &parameters, MLAnswerBlock success,
                 MLFailureBlock failure, QObject *context);

    // A success block for postUrl that decrypts the answer's "dt", maps its text with `map` (giving a
    // std::optional) and hands the value to `success`; a payload that does not map goes to `failure`
    // as "数据格式异常" without code.
    template <class Map, class Success>
    static MLAnswerBlock decryptedPayload(Map map, Success success, MLFailureBlock failure) {
        return [map = std::move(map), success = std::move(success),
                failure = std::move(failure)](const QJsonObject &answer) {
            const auto value = map(SecurityCore::decryptString(answer.value(QStringLiteral("dt"))));
            if (!value) {
                if (failure)
                    failure(QStringLiteral("数据格式异常"), QString());
                return;
            }
            if constexpr (std::is_constructible_v<bool, const Success &>) {
                if (!success)
                    return; // an empty std::function
            }
            success(*value);
        };
    }
    // decryptedPayload mapping the text into a new `Model` (ml::json::fromJson).
    template <class Model, class Success>
    static MLAnswerBlock decryptedModel(Success success, MLFailureBlock failure) {
        return decryptedPayload([](const QString &json) { return ml::json::fromJson<Model>(json); },
                                std::move(success), std::move(failure));
    }
};
