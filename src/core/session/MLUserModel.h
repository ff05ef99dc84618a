#pragma once

#include "core/model/MLJsonModel.h"

// The signed-in user as stored under the user-defaults key "currentUser".
struct MLUserModel {
    QString token;
    ML_MODEL(MLUserModel, ML_FIELD(token))
};
