#include "live/engine/MLHistoryDatabase.h"

#include "platform/kit/MLModule.h"

MLHistoryDatabase *MLHistoryDatabase::instance(QString *error) {
    return MLModule::instance<MLHistoryDatabase>(QStringLiteral(ML_HISTORY_MODULE_NAME),
                                                 "ml_history_database", error);
}
