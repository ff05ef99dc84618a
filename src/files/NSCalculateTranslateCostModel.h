#pragma once

#include "core/model/MLJsonModel.h"

// The price of one audio job with the object-store credentials for its upload.
struct NSCalculateTranslateCostModel {
    QString accessKeyId;
    QString accessKeySecret;
    QString securityToken;
    QString bucketName;
    QString endpoint;
    QString objectName;
    QString translateDesc;
    qint64 translateId = 0;

    ML_MODEL(NSCalculateTranslateCostModel, ML_FIELD(accessKeyId), ML_FIELD(accessKeySecret),
             ML_FIELD(securityToken), ML_FIELD(bucketName), ML_FIELD(endpoint), ML_FIELD(objectName),
             ML_FIELD(translateDesc), ML_FIELD(translateId))
};
