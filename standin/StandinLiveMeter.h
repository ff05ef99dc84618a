#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The stand-in's metering of live sessions: usage signatures, usage keys, the usage reports that
// draw on an account's remaining time, and the authorisations of the text-translation endpoint.
// Accounts are named by whatever identifies the caller (the session token); an account that was never
// given a balance starts with defaultBalanceSeconds().
class StandinLiveMeter final {
public:
    // The outcome of a call: code "SUCCESS", or a service code with its message.
    struct Outcome {
        QString code;
        QString message;
        bool ok() const { return code == QLatin1String("SUCCESS"); }
    };

    // A usage key and what the service hands out with it.
    struct Grant {
        QString keepupKey;
        QString account;
        QString costType;
        QString from;
        QString to;
        QString txtTranslateAuth;
    };

    static constexpr const char *kSuccess = "SUCCESS";
    static constexpr const char *kLowBalance = "DIA003";
    static constexpr const char *kExhausted = "DIA004";
    static constexpr const char *kElsewhere = "DIA006";
    static constexpr const char *kInvalid = "DIA010";

    StandinLiveMeter();

    // Time on the accounts, in seconds. Every usage report draws secondsPerReport().
    void setBalanceSeconds(const QString &account, qint64 seconds) { m_balances[account] = seconds; }
    qint64 balanceSeconds(const QString &account) const;
    void setDefaultBalanceSeconds(qint64 seconds) { m_defaultBalance = seconds; }
    qint64 defaultBalanceSeconds() const { return m_defaultBalance; }
    // Below this much remaining time a report succeeds with the warning "DIA003".
    void setLowBalanceSeconds(qint64 seconds) { m_lowBalance = seconds; }
    void setSecondsPerReport(qint64 seconds) { m_secondsPerReport = seconds; }
    qint64 secondsPerReport() const { return m_secondsPerReport; }

    // How long a text-translation authorisation stays valid (10 minutes unless changed).
    void setTranslateAuthLifetimeMs(qint64 milliseconds) { m_authLifetimeMs = milliseconds; }
    // The clock the authorisations expire by; tests may replace it.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // "/signature/getKeepupSin": a usage signature for the account's next session of `costType`.
    QString issueKeepupSin(const QString &account, const QString &costType, const QString &from,
                           const QString &to);
    // "/signature/getMicrosoftSin7" / "8": redeems a signature of the same cost type for a usage key.
    // Nothing when the signature is unknown, already used, of another account or another cost type.
    std::optional<Grant> redeemKeepupSin(const QString &account, const QString &keepupSin,
                                         const QString &costType);

    // "/cost/keepup": meters one report of the key's session.
    Outcome keepup(const QString &keepupKey);
    // "/cost/endTranslate": ends the key's session; its account may start another.
    Outcome endTranslate(const QString &keepupKey);

    // A fresh text-translation authorisation value.
    QString issueTranslateAuth();
    // "/cost/getTxtTranslateAuth": a fresh value for a known key's session; nothing for an unknown
    // key. `errMsg` is kept in renewalMessages().
    std::optional<QString> renewTranslateAuth(const QString &keepupKey, const QString &errMsg);
    // Whether `value` was issued here and has not expired.
    bool isTranslateAuthValid(const QString &value) const;

    // What tests look at.
    int reportCount(const QString &keepupKey) const { return m_reports.value(keepupKey); }
    int totalReports() const { return m_totalReports; }
    int endCount() const { return m_endCount; }
    const QStringList &renewalMessages() const { return m_renewalMessages; }
    std::optional<Grant> grant(const QString &keepupKey) const;
    // The key of the account's metered session, empty when none is. A session that has not reported
    // for three report periods is taken as abandoned and no longer blocks its account.
    QString activeKey(const QString &account) const;

private:
    struct Signature {
        QString account;
        QString costType;
        QString from;
        QString to;
    };

    QString token(const char *prefix);

    QHash<QString, qint64> m_balances;
    qint64 m_defaultBalance = 10 * 3600;
    qint64 m_lowBalance = 5 * 60;
    qint64 m_secondsPerReport = 30;
    qint64 m_authLifetimeMs = 10 * 60 * 1000;
    std::function<QDateTime()> m_clock;

    QHash<QString, Signature> m_signatures;
    QHash<QString, Grant> m_grants;
    QHash<QString, QString> m_active; // account -> key of its metered session
    QHash<QString, int> m_reports;
    QHash<QString, QDateTime> m_lastReport;
    QHash<QString, QDateTime> m_authExpiry;
    QStringList m_renewalMessages;
    int m_totalReports = 0;
    int m_endCount = 0;
    quint64 m_serial = 0;
};
