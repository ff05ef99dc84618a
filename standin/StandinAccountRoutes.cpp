#include "StandinAccountRoutes.h"

#include "StandinServer.h"

void StandinAccountRoutes::install(StandinServer &server) {
    // The signed-in account: the profile fields of the account model.
    server.route(QStringLiteral("/meInfo/getMeInfo"), [](const StandinRequest &request) {
        return StandinReply::success(ml::json::toObject(request.account->profile));
    });
}
