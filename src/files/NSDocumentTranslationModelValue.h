#pragma once

#include "core/model/MLJsonModel.h"

// One document format the service accepts.
struct NSDocumentTranslationModelValue {
    QStringList fileExtensions; // as the service writes them, e.g. ".docx"
    QStringList contentTypes;
    QString format;

    ML_MODEL(NSDocumentTranslationModelValue, ML_FIELD(fileExtensions), ML_FIELD(contentTypes),
             ML_FIELD(format))
};
