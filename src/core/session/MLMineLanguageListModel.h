#pragma once

#include "core/model/MLJsonModel.h"

// One language entry of the service's language lists; stored per page and side as a keyed archive.
struct MLMineLanguageListModel {
    QString languageCode;    // the code the service and the speech recognizer take
    QString languageInitial; // an initial letter sent by the service
    QString languageName;    // the display name

    bool operator==(const MLMineLanguageListModel &) const = default;

    ML_MODEL(MLMineLanguageListModel, ML_FIELD(languageCode), ML_FIELD(languageInitial),
             ML_FIELD(languageName))
};
