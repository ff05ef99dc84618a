#pragma once

#include "core/net/MLRequestBlocks.h"
#include "core/session/MLMineLanguageListModel.h"

#include <QJsonObject>
#include <QList>

#include <functional>

class MLNetRequestManager;
class QObject;

// The account-and-language calls. Every call POSTs through MLNetRequestManager::postUrl; failures reach
// `failure` unchanged; blocks are dropped when `context` is destroyed first.
class MLLoginNetService final {
public:
    using LanguageListBlock = std::function<void(const QList<MLMineLanguageListModel> &languages)>;

    static MLLoginNetService &shareService();

    explicit MLLoginNetService(MLNetRequestManager &requests);

    // The decrypted "dt" (a JSON array of entries) mapped to language entries, in the service's order;
    // a payload that is not an array gives an empty list.
    void ml_requireTransLangueGetLanguageListUrl(const QString &path, const QString &params,
                                                 LanguageListBlock success, MLFailureBlock failure,
                                                 QObject *context);
    // The decrypted "dt" as an object ({"fromCode", "fromCodeName", "toCode", "toCodeName"}); a payload
    // that is not a JSON object fails with "数据格式异常".
    void ml_requireSwitchLanguageUrl(const QString &path, const QString &params, MLAnswerBlock success,
                                     MLFailureBlock failure, QObject *context);

private:
    MLNetRequestManager &m_requests;
};
