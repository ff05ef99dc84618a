#pragma once

#include "core/model/MLJsonModel.h"
#include "live/engine/MLMicrosoftTranslations.h"

// One element of a text-translation answer: the translations of the one text sent.
struct MLMicrosoftModel {
    QList<MLMicrosoftTranslations> translations;

    ML_MODEL(MLMicrosoftModel, ML_FIELD(translations))
};
