#pragma once

#include "core/net/MLRequestClient.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QVariantMap>

#include <functional>

// POSTs to absolute URLs with an `authorization` header (the text-translation endpoint), and the
// multipart file upload to the service API. Both blocks run on the main thread.
class MLMicrosoftNetRequestManager final : public MLRequestClient {
    Q_OBJECT
public:
    using ValueBlock = std::function<void(const QJsonValue &answer)>;

    using MLRequestClient::MLRequestClient;

    static MLMicrosoftNetRequestManager &sharedService();

    // POSTs `parameters` (JSON text) to `url` with the header `authorization` and nothing of the
    // service's own header fields. `success` gets the parsed JSON answer (object or array). `failure`
    // gets code "1" with "链接超时!" when the connection failed, else code "2" with the answer's body as
    // UTF-8 text, whole up to MLServiceText::kMaxSentBytes, since it goes back to the service (an HTTP
    // error status, a body that is not JSON or one over the transport's size cap), or "系统异常-找客服查看"
    // when there is no body. Blocks are dropped when `context` is destroyed first.
    void postUrl(const QString &url, const QByteArray &parameters, const QString &authorization,
                 ValueBlock success, MLFailureBlock failure, QObject *context);

    // Multipart POST to the API base URL followed by `path`, with the standard header fields: every
    // form field as a plain text part, then `data` as the part "file" named by the form field
    // "fileName", of media type "multipart/form-data". The answer is judged as by
    // MLNetRequestManager::postUrl, except that "SUCCESS" needs no digest ("dt" is plain).
    void upLoadDataWithUrlStr(const QString &path, const QVariantMap &formFields, const QByteArray &data,
                              MLAnswerBlock success, MLFailureBlock failure, QObject *context);
};
