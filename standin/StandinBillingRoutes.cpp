#include "StandinBillingRoutes.h"

#include "StandinServer.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

namespace {

const QString kPaidRecharges = QStringLiteral("paidRecharges");
const QString kPaidSetmeals = QStringLiteral("paidSetmeals");

QJsonObject statementsOf(StandinServer &server, qint64 consumerId) {
    return server.state()
        .fixture(QStringLiteral("statements"))
        .toObject()
        .value(QStringLiteral("accounts"))
        .toObject()
        .value(QString::number(consumerId))
        .toObject();
}

QJsonArray concatenated(const QJsonArray &first, const QJsonArray &second) {
    QJsonArray all = first;
    for (const QJsonValue &value : second)
        all.append(value);
    return all;
}

qint64 integerParam(const StandinRequest &request, const QString &key, qint64 fallback) {
    const QJsonValue value = request.params.value(key);
    if (value.isUndefined() || value.isNull())
        return fallback;
    bool ok = false;
    const qint64 number = value.toVariant().toLongLong(&ok);
    return ok ? number : fallback;
}

// Makes the icon paths of a row absolute.
QJsonObject withAbsoluteIcon(StandinServer &server, QJsonObject row, const QString &key) {
    const QString path = row.value(key).toString();
    if (path.startsWith(QLatin1Char('/')))
        row.insert(key, StandinBillingRoutes::absoluteUrl(server, path));
    return row;
}

// A round-cornered tile of the icon's colour with a white disc in its middle.
QByteArray iconPng(const QColor &color) {
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(0, 0, 64, 64), 14, 14);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(20, 20, 24, 24));
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

} // namespace

QJsonObject StandinBillingRoutes::pageOf(const QJsonArray &rows, qint64 pageNum, qint64 pageSize) {
    if (pageSize < 1)
        pageSize = kStatementPageSize;
    const qint64 total = rows.size();
    const qint64 pages = (total + pageSize - 1) / pageSize;
    QJsonArray list;
    if (pageNum >= 1 && pageNum <= pages) {
        const qint64 first = (pageNum - 1) * pageSize;
        for (qint64 i = first; i < qMin(total, first + pageSize); ++i)
            list.append(rows.at(i));
    }
    const qint64 size = list.size();
    const qint64 startRow = size > 0 ? (pageNum - 1) * pageSize + 1 : 0;
    const qint64 navigateLast = qMin<qint64>(pages, 8);
    return QJsonObject{
        {QStringLiteral("pageNum"), pageNum},
        {QStringLiteral("pageSize"), pageSize},
        {QStringLiteral("size"), size},
        {QStringLiteral("startRow"), startRow},
        {QStringLiteral("endRow"), size > 0 ? startRow + size - 1 : 0},
        {QStringLiteral("total"), total},
        {QStringLiteral("pages"), pages},
        {QStringLiteral("prePage"), pageNum > 1 ? pageNum - 1 : 0},
        {QStringLiteral("nextPage"), pageNum < pages ? pageNum + 1 : 0},
        {QStringLiteral("isFirstPage"), pageNum == 1},
        {QStringLiteral("isLastPage"), pageNum == pages},
        {QStringLiteral("hasPreviousPage"), pageNum > 1},
        {QStringLiteral("hasNextPage"), pageNum < pages},
        {QStringLiteral("navigatePages"), 8},
        {QStringLiteral("navigateFirstPage"), pages > 0 ? 1 : 0},
        {QStringLiteral("navigateLastPage"), navigateLast},
        {QStringLiteral("list"), list},
    };
}

QString StandinBillingRoutes::absoluteUrl(StandinServer &server, const QString &path) {
    return server.baseUrl().toString() + path;
}

void StandinBillingRoutes::prependRecharge(StandinAccount &account, const QJsonObject &row) {
    QJsonArray rows = account.data.value(kPaidRecharges).toArray();
    rows.prepend(row);
    account.data.insert(kPaidRecharges, rows);
}

void StandinBillingRoutes::prependSetmeal(StandinAccount &account, const QJsonObject &row) {
    QJsonArray rows = account.data.value(kPaidSetmeals).toArray();
    rows.prepend(row);
    account.data.insert(kPaidSetmeals, rows);
}

void StandinBillingRoutes::install(StandinServer &server) {
    server.route(QStringLiteral("/meInfo/getMeSetmealList"), [&server](const StandinRequest &request) {
        const QJsonArray owned = concatenated(
            request.account->data.value(kPaidSetmeals).toArray(),
            statementsOf(server, request.consumerId).value(QStringLiteral("setmeals")).toArray());
        QJsonArray rows;
        for (const QJsonValue &row : owned)
            rows.append(withAbsoluteIcon(server, row.toObject(), QStringLiteral("icon")));
        const qint64 pageSize =
            qBound<qint64>(1, integerParam(request, QStringLiteral("pageSize"), 10), kMaximumPageSize);
        return StandinReply::success(
            pageOf(rows, integerParam(request, QStringLiteral("pageNum"), 1), pageSize));
    });

    server.route(QStringLiteral("/cost/getRechargeDetailList"), [&server](const StandinRequest &request) {
        const QJsonArray rows = concatenated(
            request.account->data.value(kPaidRecharges).toArray(),
            statementsOf(server, request.consumerId).value(QStringLiteral("recharges")).toArray());
        return StandinReply::success(
            pageOf(rows, integerParam(request, QStringLiteral("pageNum"), 1), kStatementPageSize));
    });

    server.route(QStringLiteral("/cost/getExpendDetailList"), [&server](const StandinRequest &request) {
        const QJsonArray rows =
            statementsOf(server, request.consumerId).value(QStringLiteral("expenses")).toArray();
        return StandinReply::success(
            pageOf(rows, integerParam(request, QStringLiteral("pageNum"), 1), kStatementPageSize));
    });

    server.route(QStringLiteral("/expense/getExpenseListForMac"), [&server](const StandinRequest &) {
        QJsonArray tariffs;
        const QJsonArray fixture = server.state()
                                       .fixture(QStringLiteral("tariffs"))
                                       .toObject()
                                       .value(QStringLiteral("tariffs"))
                                       .toArray();
        for (const QJsonValue &tariff : fixture)
            tariffs.append(withAbsoluteIcon(server, tariff.toObject(), QStringLiteral("iconImage")));
        return StandinReply::success(tariffs);
    });

    const QJsonObject icons = server.state()
                                  .fixture(QStringLiteral("tariffs"))
                                  .toObject()
                                  .value(QStringLiteral("icons"))
                                  .toObject();
    for (auto it = icons.constBegin(); it != icons.constEnd(); ++it) {
        const QByteArray png = iconPng(QColor(it.value().toString()));
        server.route(
            QStringLiteral("/static/icons/%1.png").arg(it.key()),
            [png](const StandinRequest &) { return StandinReply::raw(png, QByteArrayLiteral("image/png")); },
            StandinRouteKind::Raw, false);
    }
}
