#pragma once

#include "core/model/MLJsonModel.h"

// The answers of the document check (`key`) and of the upload (`translateId`, `translateDesc`).
struct NSDocumentCheckTranslateModel {
    QString key;
    QString translateId;
    QString translateDesc;

    ML_MODEL(NSDocumentCheckTranslateModel, ML_FIELD(key), ML_FIELD(translateId), ML_FIELD(translateDesc))
};
