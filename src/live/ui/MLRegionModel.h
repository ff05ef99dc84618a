#pragma once

#include "core/model/MLJsonModel.h"

// One speech-service region of "/meInfo/getAzureVoiceRegionList".
struct MLRegionModel {
    // The service's code, sent back when the region is picked and compared with the account's region.
    QString regionCode;
    // Display name: the picker's row text and the note's title.
    QString regionExplain;
    // The note shown under the title in the region notes.
    QString desc;
    // The region preselected for an account that has none.
    bool defaultRegion = false;

    ML_MODEL(MLRegionModel, ML_FIELD(regionCode), ML_FIELD(regionExplain), ML_FIELD_KEY(desc, "description"),
             ML_FIELD(defaultRegion))
};
