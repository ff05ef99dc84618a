#pragma once

#include "core/net/MLRequestBlocks.h"

#include <QJsonValue>
#include <QString>
#include <QThread>

#include <memory>

namespace ml::test {

// What the blocks of one request were called with. Make it shared (`RequestOutcome::make()`) so the
// blocks keep it alive, hand its blocks to the request, then QTRY_VERIFY(outcome->finished()).
struct RequestOutcome {
    int successCalls = 0;
    int failureCalls = 0;
    QJsonValue answer;
    QString message;
    QString code;
    QThread *thread = nullptr; // where the last block ran

    static std::shared_ptr<RequestOutcome> make() { return std::make_shared<RequestOutcome>(); }

    bool finished() const { return successCalls + failureCalls > 0; }
    bool succeeded() const { return successCalls == 1 && failureCalls == 0; }
    bool failed() const { return failureCalls == 1 && successCalls == 0; }
};

inline MLAnswerBlock onAnswer(const std::shared_ptr<RequestOutcome> &outcome) {
    return [outcome](const QJsonObject &answer) {
        ++outcome->successCalls;
        outcome->answer = answer;
        outcome->thread = QThread::currentThread();
    };
}

inline MLFailureBlock onFailure(const std::shared_ptr<RequestOutcome> &outcome) {
    return [outcome](const QString &message, const QString &code) {
        ++outcome->failureCalls;
        outcome->message = message;
        outcome->code = code;
        outcome->thread = QThread::currentThread();
    };
}

} // namespace ml::test
