#pragma once

#include "core/net/MLContextGuard.h"
#include "core/net/MLRequestBlocks.h"
#include "platform/http/MLHttpTransport.h"

#include <QJsonObject>
#include <QString>

class MLUserManager;

// How the service's answers are judged, shared by the managers of the service API and the payment
// origin. An answer is {"code", "message", "dt", "m5"}; "dt" is the payload.
class MLAnswerJudge final {
public:
    enum class Digest {
        Required, // "SUCCESS" counts only when the MD5 of the decrypted "dt" equals "m5"
        Skipped,  // plain answers: "SUCCESS" counts as it stands
    };

    struct Verdict {
        bool success = false;
        bool signOut = false; // the session is no longer valid ("DIA005")
        QJsonObject answer;
        QString message;
        QString code;
    };

    // Judges a finished request:
    // - an answer over the transport's size cap: "数据格式异常" without code;
    // - a connection failure (the deadline included): "链接超时!" without code;
    // - an HTTP error status whose body is not a JSON object: "系统异常" without code;
    // - a body that is not a JSON object, or an object without a code: "数据格式异常" without code;
    // - code "SUCCESS" with a status outside 2xx: "系统异常" without code (an error status never
    //   succeeds);
    // - code "SUCCESS": success; with `Digest::Required` only when the MD5 of the decrypted "dt" equals
    //   "m5" (an absent, null or empty "dt" is the empty text), else "非法请求";
    // - code "DIA005": sign-out, then the answer's message and code;
    // - any other code: the answer's message and code.
    // The message is cut to MLServiceText::kMaxCharacters, and is "系统异常" when the answer's
    // "message" is missing, not a string, or empty or only white space.
    static Verdict judge(const MLHttpTransport::Answer &answer, Digest digest);

    // The digest test of `Digest::Required`: "dt" decrypts (absent, null or "" give the empty text) and
    // the MD5 of what it holds is "m5".
    static bool digestMatches(const QJsonObject &answer);

    // Carries a verdict out: a sign-out first removes the stored user through `logoutBlock` with a
    // block that posts MLNotificationNames::kUserLogout (even when the caller is gone); then, while the
    // caller's context lives, the success or the failure block runs.
    static void deliver(const Verdict &verdict, MLUserManager &users, const MLContextGuard &guard,
                        const MLAnswerBlock &success, const MLFailureBlock &failure);

    // A result code as text: strings as they are, numbers as decimal text, anything else empty.
    static QString codeText(const QJsonValue &code);

    static constexpr const char *kSuccessCode = "SUCCESS";
    static constexpr const char *kSignOutCode = "DIA005";
};
