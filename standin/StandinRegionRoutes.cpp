#include "StandinRegionRoutes.h"

#include "StandinServer.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonArray regions(StandinServer &server) {
    return server.state()
        .fixture(QStringLiteral("regions"))
        .toObject()
        .value(QStringLiteral("regions"))
        .toArray();
}

bool offersRegion(StandinServer &server, const QString &code) {
    for (const QJsonValue &value : regions(server)) {
        if (value.toObject().value(QStringLiteral("regionCode")).toString() == code)
            return true;
    }
    return false;
}

} // namespace

void StandinRegionRoutes::install(StandinServer &server) {
    server.route(QStringLiteral("/meInfo/getAzureVoiceRegionList"),
                 [&server](const StandinRequest &) { return StandinReply::success(regions(server)); });

    server.route(QStringLiteral("/meInfo/updateRegionCode"), [&server](const StandinRequest &request) {
        const QString code = request.params.value(QStringLiteral("regionCode")).toString();
        if (code.isEmpty() || !offersRegion(server, code))
            return server.state().error(QStringLiteral("badParameter"));
        request.account->profile.setRegionCode(code);
        return StandinReply::success();
    });
}
