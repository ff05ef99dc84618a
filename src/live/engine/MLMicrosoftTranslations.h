#pragma once

#include "core/model/MLJsonModel.h"

// One translation of a text-translation answer: the translated text and its language code.
struct MLMicrosoftTranslations {
    QString text;
    QString to;

    ML_MODEL(MLMicrosoftTranslations, ML_FIELD(text), ML_FIELD(to))
};
