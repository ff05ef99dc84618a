#pragma once

#include "StandinAccount.h"
#include "StandinReply.h"

#include <QHash>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <map>

// The stand-in service's data, in memory, seeded from the JSON fixtures compiled in under ":/standin/"
// (standin/fixtures/<name>.json): accounts and their sign-in tokens, the service's error answers, and
// any fixture a route needs.
class StandinState final {
public:
    // Loads every fixture under `fixtureDirectory` (the compiled-in ones by default).
    explicit StandinState(const QString &fixtureDirectory = QStringLiteral(":/standin"));

    // The parsed fixture "<name>.json"; undefined when there is none.
    QJsonValue fixture(const QString &name) const;

    // The service's error answer of that name (fixture "errors"); an answer with code "DIA999" when
    // the name is unknown.
    StandinReply error(const QString &name) const;

    // Accounts. Pointers stay valid until the account is removed.
    StandinAccount *account(qint64 consumerId);
    StandinAccount *accountByNumber(const QString &accountNum);
    StandinAccount *accountForToken(const QString &token);
    StandinAccount &addAccount(const StandinAccount &account);
    QList<qint64> consumerIds() const;

    // Sign-in tokens: a new random token for an account, the fixed demo tokens of the seeded demo
    // accounts (the usual one, and one whose balance is too small for most file jobs, for the top-up
    // path), and revocation (a revoked token reads as expired: "DIA005").
    QString issueToken(qint64 consumerId);
    void revokeToken(const QString &token);
    QString demoToken() const { return m_demoToken; }
    QString lowBalanceDemoToken() const { return m_lowBalanceDemoToken; }

private:
    QHash<QString, QJsonValue> m_fixtures;
    std::map<qint64, StandinAccount> m_accounts;
    QHash<QString, qint64> m_tokens;
    QString m_demoToken;
    QString m_lowBalanceDemoToken;
};
