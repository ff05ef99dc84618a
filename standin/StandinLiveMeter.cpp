#include "StandinLiveMeter.h"

#include <QRandomGenerator>

StandinLiveMeter::StandinLiveMeter()
    : m_clock([] { return QDateTime::currentDateTimeUtc(); }) {}

qint64 StandinLiveMeter::balanceSeconds(const QString &account) const {
    return m_balances.value(account, m_defaultBalance);
}

QString StandinLiveMeter::token(const char *prefix) {
    const quint64 random = QRandomGenerator::global()->generate64();
    return QStringLiteral("%1-%2-%3")
        .arg(QLatin1String(prefix))
        .arg(++m_serial)
        .arg(random, 16, 16, QLatin1Char('0'));
}

QString StandinLiveMeter::issueKeepupSin(const QString &account, const QString &costType, const QString &from,
                                         const QString &to) {
    const QString sin = token("sin");
    m_signatures.insert(sin, Signature{account, costType, from, to});
    return sin;
}

std::optional<StandinLiveMeter::Grant>
StandinLiveMeter::redeemKeepupSin(const QString &account, const QString &keepupSin, const QString &costType) {
    const auto it = m_signatures.constFind(keepupSin);
    if (it == m_signatures.cend() || it->account != account || it->costType != costType)
        return std::nullopt;
    Grant grant{token("key"), account, costType, it->from, it->to, issueTranslateAuth()};
    m_signatures.erase(it);
    m_grants.insert(grant.keepupKey, grant);
    return grant;
}

StandinLiveMeter::Outcome StandinLiveMeter::keepup(const QString &keepupKey) {
    const auto it = m_grants.constFind(keepupKey);
    if (it == m_grants.cend())
        return {QLatin1String(kInvalid), QStringLiteral("无效的使用凭证")};
    const QString &account = it->account;
    const QString active = activeKey(account);
    if (!active.isEmpty() && active != keepupKey)
        return {QLatin1String(kElsewhere), QStringLiteral("您的账号正在其他设备上使用，本次翻译已停止")};
    ++m_totalReports;
    ++m_reports[keepupKey];
    m_lastReport.insert(keepupKey, m_clock());
    const qint64 before = balanceSeconds(account);
    if (before <= 0) {
        m_active.remove(account);
        return {QLatin1String(kExhausted), QStringLiteral("账户时长已用完，请充值后再使用")};
    }
    m_active.insert(account, keepupKey);
    const qint64 after = qMax<qint64>(0, before - m_secondsPerReport);
    m_balances.insert(account, after);
    if (after < m_lowBalance)
        return {QLatin1String(kLowBalance), QStringLiteral("账户时长即将用完，请及时充值")};
    return {QLatin1String(kSuccess), QString()};
}

StandinLiveMeter::Outcome StandinLiveMeter::endTranslate(const QString &keepupKey) {
    const auto it = m_grants.constFind(keepupKey);
    if (it == m_grants.cend())
        return {QLatin1String(kInvalid), QStringLiteral("无效的使用凭证")};
    ++m_endCount;
    if (m_active.value(it->account) == keepupKey)
        m_active.remove(it->account);
    return {QLatin1String(kSuccess), QString()};
}

QString StandinLiveMeter::issueTranslateAuth() {
    const QString value = QStringLiteral("Bearer ") + token("txt");
    m_authExpiry.insert(value, m_clock().addMSecs(m_authLifetimeMs));
    return value;
}

std::optional<QString> StandinLiveMeter::renewTranslateAuth(const QString &keepupKey, const QString &errMsg) {
    m_renewalMessages.append(errMsg);
    const auto it = m_grants.find(keepupKey);
    if (it == m_grants.end())
        return std::nullopt;
    it->txtTranslateAuth = issueTranslateAuth();
    return it->txtTranslateAuth;
}

bool StandinLiveMeter::isTranslateAuthValid(const QString &value) const {
    const auto it = m_authExpiry.constFind(value);
    return it != m_authExpiry.cend() && m_clock() < *it;
}

std::optional<StandinLiveMeter::Grant> StandinLiveMeter::grant(const QString &keepupKey) const {
    const auto it = m_grants.constFind(keepupKey);
    if (it == m_grants.cend())
        return std::nullopt;
    return *it;
}

QString StandinLiveMeter::activeKey(const QString &account) const {
    const QString key = m_active.value(account);
    if (key.isEmpty())
        return key;
    const QDateTime last = m_lastReport.value(key);
    if (last.isValid() && last.addSecs(3 * m_secondsPerReport) < m_clock())
        return QString();
    return key;
}
