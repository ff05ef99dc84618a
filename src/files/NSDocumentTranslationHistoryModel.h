#pragma once

#include "core/model/MLJsonModel.h"

// One document translation job of the history.
struct NSDocumentTranslationHistoryModel {
    QString sourceFileName;
    QString createTime;
    QString targetFileUrl;
    qint64 translateStatus = 0; // 3: the result can be downloaded
    QString translateStatusStr;
    QString translateTotalPriceStr;

    ML_MODEL(NSDocumentTranslationHistoryModel, ML_FIELD(sourceFileName), ML_FIELD(createTime),
             ML_FIELD(targetFileUrl), ML_FIELD(translateStatus), ML_FIELD(translateStatusStr),
             ML_FIELD(translateTotalPriceStr))
};
