#include "live/engine/MLHistoryDatabase.h"

#include "platform/kit/MLModule.h"

#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcHistoryModule, "ml.live.history")

struct Loaded {
    MLHistoryDatabase *database = nullptr;
    QString error;
};

Loaded load() {
    Loaded loaded;
    using Entry = MLHistoryDatabase *(*)();
    if (auto entry = reinterpret_cast<Entry>(MLModule::entry(QStringLiteral(ML_HISTORY_MODULE_NAME),
                                                             QStringLiteral(ML_HISTORY_MODULE_BUILD_PATH),
                                                             "ml_history_database", loaded.error)))
        loaded.database = entry();
    if (!loaded.database)
        qCWarning(lcHistoryModule) << "the history module could not be loaded:" << loaded.error;
    return loaded;
}

} // namespace

MLHistoryDatabase *MLHistoryDatabase::instance(QString *error) {
    static const Loaded loaded = load();
    if (error)
        *error = loaded.error;
    return loaded.database;
}
