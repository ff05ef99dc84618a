#pragma once

#include "core/net/MLRequestBlocks.h"
#include "core/net/MLToolAdvancedModel.h"

#include <functional>

class MLNetRequestManager;
class QObject;

// The speech-credential, usage and text-translation-authorisation calls. Every call POSTs through
// MLNetRequestManager::postUrl; failures reach `failure` unchanged; blocks are dropped when
// `context` is destroyed first.
class MLToolNetService final {
public:
    using ModelBlock = std::function<void(const MLToolAdvancedModel &model)>;

    static MLToolNetService &shareService();

    explicit MLToolNetService(MLNetRequestManager &requests);

    // The decrypted "dt" mapped into a new credential model. A payload that is not a JSON object fails
    // with "数据格式异常".
    void ml_requireGetXunFeiSinUrl(const QString &path, const QString &params, ModelBlock success,
                                   MLFailureBlock failure, QObject *context);
    // The whole answer, undecrypted.
    void ml_requireKeepupUrl(const QString &path, const QString &params, MLAnswerBlock success,
                             MLFailureBlock failure, QObject *context);
    // As ml_requireGetXunFeiSinUrl.
    void ml_requireGetTxtTranslateAuthUrl(const QString &path, const QString &params, ModelBlock success,
                                          MLFailureBlock failure, QObject *context);

private:
    void requireModel(const QString &path, const QString &params, ModelBlock success, MLFailureBlock failure,
                      QObject *context);

    MLNetRequestManager &m_requests;
};
