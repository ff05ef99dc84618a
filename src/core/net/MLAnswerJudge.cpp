#include "core/net/MLAnswerJudge.h"

#include "core/model/MLJsonModel.h"
#include "core/net/MLNetLogging.h"
#include "core/net/MLServiceText.h"
#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"

#include <QJsonDocument>

namespace {

MLAnswerJudge::Verdict failed(const QString &message, const QString &code = {}) {
    MLAnswerJudge::Verdict verdict;
    verdict.message = message;
    verdict.code = code;
    return verdict;
}

} // namespace

QString MLAnswerJudge::codeText(const QJsonValue &code) {
    if (code.isString())
        return code.toString();
    if (code.isDouble())
        return ml::json::detail::numberToText(code);
    return {};
}

MLAnswerJudge::Verdict MLAnswerJudge::judge(const MLHttpTransport::Answer &answer, Digest digest) {
    if (answer.tooLarge)
        return failed(QStringLiteral("数据格式异常"));
    if (answer.isConnectionFailure())
        return failed(QStringLiteral("链接超时!"));

    // An answer with a status line outside 2xx is an error whatever its body says.
    const bool errorStatus = answer.isHttpFailure() ||
                             (answer.httpStatus != 0 && (answer.httpStatus < 200 || answer.httpStatus > 299));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(answer.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        if (errorStatus)
            return failed(QStringLiteral("系统异常"));
        return failed(QStringLiteral("数据格式异常"));
    }

    const QJsonObject object = document.object();
    const QString code = codeText(object.value(QStringLiteral("code")));
    if (code.isEmpty())
        return failed(QStringLiteral("数据格式异常"));

    if (code == QLatin1String(kSuccessCode)) {
        if (errorStatus) {
            qCWarning(lcNet) << "a success answer came with the HTTP status" << answer.httpStatus;
            return failed(QStringLiteral("系统异常"));
        }
        if (digest == Digest::Required && !digestMatches(object)) {
            qCWarning(lcNet) << "answer digest does not match its payload";
            return failed(QStringLiteral("非法请求"));
        }
        Verdict verdict;
        verdict.success = true;
        verdict.answer = object;
        verdict.code = code;
        return verdict;
    }

    Verdict verdict = failed(MLServiceText::message(object.value(QStringLiteral("message"))), code);
    verdict.answer = object;
    verdict.signOut = code == QLatin1String(kSignOutCode);
    return verdict;
}

// A success without data has no "dt" (or an empty one), and its "m5" is the MD5 of the empty text; a
// "dt" that is there but does not decrypt is refused whatever "m5" says.
bool MLAnswerJudge::digestMatches(const QJsonObject &answer) {
    const std::optional<QByteArray> payload = SecurityCore::decryptBytes(answer.value(QStringLiteral("dt")));
    if (!payload)
        return false;
    const QJsonValue m5 = answer.value(QStringLiteral("m5"));
    return m5.isString() && MLDigest::md5Hex(*payload) == m5.toString();
}

void MLAnswerJudge::deliver(const Verdict &verdict, MLUserManager &users, const MLContextGuard &guard,
                            const MLAnswerBlock &success, const MLFailureBlock &failure) {
    if (verdict.signOut) {
        users.logoutBlock([](bool) {
            MLNotificationCenter::defaultCenter().postNotificationName(MLNotificationNames::kUserLogout);
        });
    }
    if (!guard.isAlive())
        return;
    if (verdict.success) {
        if (success)
            success(verdict.answer);
    } else if (failure) {
        failure(verdict.message, verdict.code);
    }
}
