#include "StandinState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QUuid>

Q_LOGGING_CATEGORY(lcStandinState, "ml.standin.state")

StandinState::StandinState(const QString &fixtureDirectory) {
    const QDir dir(fixtureDirectory);
    const auto files = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString &fileName : files) {
        QFile file(dir.filePath(fileName));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        if (error.error != QJsonParseError::NoError) {
            qCWarning(lcStandinState) << "fixture" << fileName << "is not JSON:" << error.errorString();
            continue;
        }
        m_fixtures.insert(QFileInfo(fileName).completeBaseName(),
                          document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object()));
    }

    const QJsonObject accounts = fixture(QStringLiteral("accounts")).toObject();
    for (const QJsonValue &entry : accounts.value(QStringLiteral("accounts")).toArray()) {
        const QJsonObject object = entry.toObject();
        StandinAccount account;
        account.profile = ml::json::fromObject<MLMineModel>(object);
        account.password = object.value(QStringLiteral("password")).toString();
        account.data = object;
        addAccount(account);
    }
    // The fixed tokens of the demo accounts: the usual one and the one whose balance is small.
    const auto seedToken = [&](const QString &name) {
        const QJsonObject demo = accounts.value(name).toObject();
        const QString token = demo.value(QStringLiteral("token")).toString();
        const qint64 id = demo.value(QStringLiteral("consumerId")).toInteger();
        if (token.isEmpty() || !account(id))
            return QString();
        m_tokens.insert(token, id);
        return token;
    };
    m_demoToken = seedToken(QStringLiteral("demo"));
    m_lowBalanceDemoToken = seedToken(QStringLiteral("lowBalanceDemo"));
}

QJsonValue StandinState::fixture(const QString &name) const {
    return m_fixtures.value(name, QJsonValue(QJsonValue::Undefined));
}

StandinReply StandinState::error(const QString &name) const {
    const QJsonObject entry = fixture(QStringLiteral("errors")).toObject().value(name).toObject();
    if (entry.isEmpty())
        return StandinReply::failure(QStringLiteral("DIA999"), QStringLiteral("系统繁忙，请稍后再试"));
    return StandinReply::failure(entry.value(QStringLiteral("code")).toString(),
                                 entry.value(QStringLiteral("message")).toString());
}

StandinAccount *StandinState::account(qint64 consumerId) {
    const auto it = m_accounts.find(consumerId);
    return it == m_accounts.end() ? nullptr : &it->second;
}

StandinAccount *StandinState::accountByNumber(const QString &accountNum) {
    for (auto &[id, account] : m_accounts) {
        if (account.profile.accountNum == accountNum)
            return &account;
    }
    return nullptr;
}

StandinAccount *StandinState::accountForToken(const QString &token) {
    if (token.isEmpty())
        return nullptr;
    const auto it = m_tokens.constFind(token);
    return it == m_tokens.constEnd() ? nullptr : account(it.value());
}

StandinAccount &StandinState::addAccount(const StandinAccount &account) {
    return m_accounts.insert_or_assign(account.profile.consumerId, account).first->second;
}

QList<qint64> StandinState::consumerIds() const {
    QList<qint64> ids;
    for (const auto &[id, account] : m_accounts)
        ids.append(id);
    return ids;
}

QString StandinState::issueToken(qint64 consumerId) {
    const QString token = QUuid::createUuid().toString(QUuid::Id128);
    m_tokens.insert(token, consumerId);
    return token;
}

void StandinState::revokeToken(const QString &token) {
    m_tokens.remove(token);
}
