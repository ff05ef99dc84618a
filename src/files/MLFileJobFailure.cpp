#include "files/MLFileJobFailure.h"

#include "core/net/MLServiceOrigins.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "ui/widgets/MLToast.h"

#include <QWidget>

void MLFileJobFailure::handle(QWidget *page, const QString &message, const QString &code,
                              const QString &cancelTitle) {
    if (code == QLatin1String("DIA036") || code == QLatin1String("DIA037")) {
        MLAlert alert;
        alert.setMessageText(message);
        alert.addButtonWithTitle(kTopUp);
        alert.addButtonWithTitle(cancelTitle);
        alert.beginSheetModalForWindow(page ? page->window() : nullptr, [](int response) {
            if (response == MLAlert::FirstButtonReturn)
                MLWorkspace::openURL(websiteUrl());
        });
        return;
    }
    MLToast::makeToast(page, message, 1.0);
}

QUrl MLFileJobFailure::websiteUrl() {
    const QString configured = qEnvironmentVariable("ML_WEBSITE_URL");
    if (!configured.isEmpty())
        return QUrl(configured);
    QUrl api(MLServiceOrigins::apiBaseUrl());
    return api.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
        .resolved(QUrl(QStringLiteral("/")));
}
