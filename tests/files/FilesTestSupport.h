#pragma once

#include "StandinRequest.h"
#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLOpenPanel.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "support/RequestOutcome.h"
#include "support/TestFiles.h"
#include "support/ToastTexts.h"
#include "ui/widgets/MBProgressHUD.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTimer>
#include <QWidget>
#include <QtTest>

namespace ml::test {

// Progress overlays (not toasts) shown on `view` that have not gone yet.
inline int spinnerCount(QWidget *view) {
    int count = 0;
    for (QObject *child : view->children()) {
        auto *hud = qobject_cast<MBProgressHUD *>(child);
        count += hud && hud->mode() == MBProgressHUD::Mode::Indeterminate && !hud->hasFinished();
    }
    return count;
}

// The parameters' JSON text as an envelope request sent it (key order included).
inline QString sentJson(const StandinRequest &request) {
    return SecurityCore::decryptString(
        QJsonDocument::fromJson(request.body).object().value(QStringLiteral("dt")));
}

// Forgets the answers queued for alerts and open panels, the last alert and the recorded workspace calls.
inline void resetDialogs() {
    MLAlert::clearNextResponses();
    MLAlert::clearLastAlert();
    MLOpenPanel::clearNextResponses();
    MLWorkspace::clearRecordedCalls();
}

// Clicks an upload box with `path` chosen in the open panel and the alerts answered in order.
inline void chooseAndClick(QWidget *uploadBox, const QString &path, const QList<int> &alertResponses) {
    MLOpenPanel::setNextResponse(MLOpenPanel::OKResponse, path);
    for (int response : alertResponses)
        MLAlert::setNextResponse(response);
    QTest::mouseClick(uploadBox, Qt::LeftButton);
}

// Lets what is queued on the event loop run (an alert's answer, say), then waits for the answer to a
// request made after it: whatever the client sent before has reached the stand-in by then.
inline void settle(QObject *context) {
    auto ran = std::make_shared<bool>(false);
    QTimer::singleShot(0, context, [ran] { *ran = true; });
    QTRY_VERIFY(*ran);
    auto outcome = RequestOutcome::make();
    MLNetRequestManager::sharedService().postUrl(QStringLiteral("/meInfo/getMeInfo"), QString(),
                                                 onAnswer(outcome), onFailure(outcome), context);
    QTRY_VERIFY(outcome->finished());
}

} // namespace ml::test
