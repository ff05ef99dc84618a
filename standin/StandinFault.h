#pragma once

#include <QByteArray>
#include <QString>

// A misbehaviour the stand-in shows for the next requests of one path (tests only).
struct StandinFault {
    enum class Kind {
        None,        // answer normally (used with a delay)
        Answer,      // answer with `code` and `message` instead of the handler's answer
        NotJson,     // HTTP 200 with `body`, which is not JSON
        WrongDigest, // the handler's answer with an "m5" that does not match "dt"
        HttpStatus,  // HTTP status `httpStatus` with `body` (may be empty)
        Drop,        // close the connection without answering
        Silence,     // never answer; keep the connection open
    };

    Kind kind = Kind::None;
    int delayMs = 0;
    QString code;
    QString message;
    int httpStatus = 0;
    QByteArray body;
    bool held = false; // the answer waits for StandinServer::releaseHeld() instead of `delayMs`

    static StandinFault answer(const QString &code, const QString &message) {
        StandinFault f;
        f.kind = Kind::Answer;
        f.code = code;
        f.message = message;
        return f;
    }
    static StandinFault delay(int milliseconds) { return StandinFault{}.after(milliseconds); }
    // The usual answer, held back until the test releases it.
    static StandinFault hold() {
        StandinFault f;
        f.held = true;
        return f;
    }
    static StandinFault
    notJson(const QByteArray &body = QByteArrayLiteral("<html><body>Bad Gateway</body></html>")) {
        StandinFault f;
        f.kind = Kind::NotJson;
        f.body = body;
        return f;
    }
    static StandinFault wrongDigest() {
        StandinFault f;
        f.kind = Kind::WrongDigest;
        return f;
    }
    static StandinFault httpError(int status, const QByteArray &body = {}) {
        StandinFault f;
        f.kind = Kind::HttpStatus;
        f.httpStatus = status;
        f.body = body;
        return f;
    }
    static StandinFault drop() {
        StandinFault f;
        f.kind = Kind::Drop;
        return f;
    }
    static StandinFault silence() {
        StandinFault f;
        f.kind = Kind::Silence;
        return f;
    }
    // The same fault, shown after `milliseconds`.
    StandinFault after(int milliseconds) const {
        StandinFault f = *this;
        f.delayMs = milliseconds;
        return f;
    }
};
