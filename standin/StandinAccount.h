#pragma once

#include "core/session/MLMineModel.h"

#include <QJsonObject>
#include <QString>

// One account of the stand-in service: the profile that "/meInfo/getMeInfo" answers, the sign-in
// secret, and whatever else the fixture gives it (for the routes that need more).
struct StandinAccount {
    MLMineModel profile;
    QString password;
    QJsonObject data; // the whole fixture entry
};
