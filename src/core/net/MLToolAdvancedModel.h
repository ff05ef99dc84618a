#pragma once

#include "core/model/MLJsonModel.h"

// The speech-credential answer of the live engines, filled from the decrypted "dt" by field name.
struct MLToolAdvancedModel {
    QString keepupSin;          // usage signature of the first credential request
    QString wssUrl;             // carried, unused
    QString keepupKey;          // usage key of the session
    QString microsoftAccessKey; // speech subscription key; may be empty
    QString authToken;          // speech authorization token, used when the key is empty
    QString microsoftAppId;     // speech region name
    QString txtTranslateUrl;    // text-translation endpoint (low-price tier)
    QString txtTranslateAuth;   // `authorization` value of text translation (low-price tier)

    ML_MODEL(MLToolAdvancedModel, ML_FIELD(keepupSin), ML_FIELD(wssUrl), ML_FIELD(keepupKey),
             ML_FIELD(microsoftAccessKey), ML_FIELD(authToken), ML_FIELD(microsoftAppId),
             ML_FIELD(txtTranslateUrl), ML_FIELD(txtTranslateAuth))
};
