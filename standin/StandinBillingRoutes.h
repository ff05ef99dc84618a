#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

class StandinServer;
struct StandinAccount;

// The account's billing routes on the service API: owned packages ("/meInfo/getMeSetmealList"), the
// top-up and consumption statements ("/cost/getRechargeDetailList", "/cost/getExpendDetailList"), the
// tariffs ("/expense/getExpenseListForMac"), and the images that those answers point at
// ("/static/icons/<name>.png"). Data from the fixtures "statements" and "tariffs", plus what paid
// orders have added to the account (see StandinPaymentRoutes).
class StandinBillingRoutes final {
public:
    static void install(StandinServer &server);

    // One page of `rows` with the service's paging fields. Pages count from 1; a page outside the
    // range has an empty list and the page number as asked.
    static QJsonObject pageOf(const QJsonArray &rows, qint64 pageNum, qint64 pageSize);

    // The absolute address of a stand-in path ("/static/...") as the client must fetch it.
    static QString absoluteUrl(StandinServer &server, const QString &path);

    // Rows added by paid orders, newest first: top-ups and owned packages.
    static void prependRecharge(StandinAccount &account, const QJsonObject &row);
    static void prependSetmeal(StandinAccount &account, const QJsonObject &row);

    static constexpr qint64 kStatementPageSize = 10;
    static constexpr qint64 kMaximumPageSize = 100;
};
