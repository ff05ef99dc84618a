#pragma once

#include "core/model/MLJsonModel.h"

// One audio transcription job of the history.
struct NSAudioTranslationHistoryModel {
    QString fileName;
    qint64 aid = 0;             // the job's id, JSON key "id"
    qint64 translateStatus = 0; // 3: the transcript can be downloaded
    QString translateStatusStr;
    QString translateTime;
    float translateTotalPrice = 0;
    QString translateTotalPriceStr;

    ML_MODEL(NSAudioTranslationHistoryModel, ML_FIELD(fileName), ML_FIELD_KEY(aid, "id"),
             ML_FIELD(translateStatus), ML_FIELD(translateStatusStr), ML_FIELD(translateTime),
             ML_FIELD(translateTotalPrice), ML_FIELD(translateTotalPriceStr))
};
