#pragma once

#include "core/model/MLJsonModel.h"

// The answer of the four payment-order paths: the service's order number and the QR image as Base64
// text (possibly behind a data-URL prefix).
struct MLQrcodePointRechargeAliOrderModel {
    QString outTradeNo;
    QString qrcodeBase64;

    ML_MODEL(MLQrcodePointRechargeAliOrderModel, ML_FIELD(outTradeNo), ML_FIELD(qrcodeBase64))
};
