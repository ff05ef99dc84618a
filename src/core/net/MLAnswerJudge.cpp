#include "core/net/MLAnswerJudge.h"

#include "core/net/MLNetLogging.h"
#include "core/security/MLDigest.h"
#include "core/security/SecurityCore.h"
#include "core/session/MLUserManager.h"
#include "platform/kit/MLNotificationCenter.h"

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
    if (code.isDouble()) {
        const double value = code.toDouble();
        const qint64 integer = code.toInteger();
        return static_cast<double>(integer) == value ? QString::number(integer) : QString::number(value);
    }
    return {};
}

MLAnswerJudge::Verdict MLAnswerJudge::judge(const MLHttpTransport::Answer &answer, Digest digest) {
    if (answer.isConnectionFailure())
        return failed(QStringLiteral("链接超时!"));

    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(answer.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        if (answer.isHttpFailure())
            return failed(QStringLiteral("系统异常"));
        return failed(QStringLiteral("数据格式异常"));
    }

    const QJsonObject object = document.object();
    const QString code = codeText(object.value(QStringLiteral("code")));
    if (code.isEmpty())
        return failed(QStringLiteral("数据格式异常"));

    if (code == QLatin1String(kSuccessCode)) {
        if (digest == Digest::Required) {
            const QString payload = SecurityCore::decryptString(object.value(QStringLiteral("dt")));
            if (MLDigest::md5Hex(payload) != object.value(QStringLiteral("m5")).toString()) {
                qCWarning(lcNet) << "answer digest does not match its payload";
                return failed(QStringLiteral("非法请求"));
            }
        }
        Verdict verdict;
        verdict.success = true;
        verdict.answer = object;
        verdict.code = code;
        return verdict;
    }

    Verdict verdict = failed(object.value(QStringLiteral("message")).toString(), code);
    verdict.answer = object;
    verdict.signOut = code == QLatin1String(kSignOutCode);
    return verdict;
}

void MLAnswerJudge::deliver(const Verdict &verdict, MLUserManager &users, const MLContextGuard &guard,
                            const MLAnswerBlock &success, const MLFailureBlock &failure) {
    if (verdict.signOut) {
        users.logoutBlock([](bool) {
            MLNotificationCenter::defaultCenter().postNotificationName(QLatin1String(kLogoutNotification));
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
