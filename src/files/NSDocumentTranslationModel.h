#pragma once

#include "files/NSDocumentTranslationModelValue.h"

// The supported-format answer of the document and of the audio configuration.
struct NSDocumentTranslationModel {
    QStringList explain;                          // the service's notes
    QList<NSDocumentTranslationModelValue> value; // document formats
    QStringList macTypeList;                      // file types of the audio open panel

    ML_MODEL(NSDocumentTranslationModel, ML_FIELD(explain), ML_FIELD(value), ML_FIELD(macTypeList))
};
