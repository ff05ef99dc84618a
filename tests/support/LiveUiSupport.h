#pragma once
// Helpers of the live page tests: requests in flight, stored language entries, arrived lists.

#include "core/session/MLKeyedArchive.h"
#include "core/session/MLMineLanguageListModel.h"
#include "live/ui/NSTranslationComboBoxView.h"
#include "platform/http/MLHttpTransport.h"
#include "platform/kit/MLUserDefaults.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

#include <optional>

namespace ml::test {

// Requests of `path` started and not yet dropped: a request starts within the call that sends it, and
// its reply goes only after its answer has been handled.
inline int startedRequests(const QString &path) {
    int count = 0;
    for (QNetworkReply *reply : MLHttpTransport::shared().network()->findChildren<QNetworkReply *>())
        count += reply->url().path() == path;
    return count;
}

inline void storeLanguage(const QString &key, const QString &code, const QString &name,
                          const QString &initial = {}) {
    MLUserDefaults::standardUserDefaults().setData(
        MLKeyedArchive::archivedData(MLMineLanguageListModel{code, initial, name}), key);
}

inline std::optional<MLMineLanguageListModel> storedLanguage(const QString &key) {
    return MLKeyedArchive::unarchivedObjectOfClass<MLMineLanguageListModel>(
        MLUserDefaults::standardUserDefaults().dataForKey(key));
}

// Waits until every picker has its language list.
inline bool listsArrived(const QList<NSTranslationComboBoxView *> &pickers) {
    return QTest::qWaitFor(
        [&pickers] {
            return std::all_of(pickers.begin(), pickers.end(),
                               [](const NSTranslationComboBoxView *p) { return !p->dataSource().isEmpty(); });
        },
        5000);
}

} // namespace ml::test
