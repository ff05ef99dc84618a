#pragma once

#include <QString>

// The names of the application's notifications (MLNotificationCenter). Posters and observers use these
// constants, never the texts, so a misspelt name does not compile.
namespace MLNotificationNames {

// The session is over (the service signed the user out, "退出登录", or a tab that needs a user was
// chosen without one): the application goes back to the sign-in page.
inline const QString kUserLogout = QStringLiteral("NotificationUSERLOGOUT");
// The balance may have changed (the personal centre was shown, a payment was reported complete): the
// main page fetches the account again.
inline const QString kIndividualCenter = QStringLiteral("NotificationIndividualCenterKey");

// The history of live sessions changed (a row deleted, interrupted sessions added): an open history
// list reads the store again.
inline const QString kChangeDeleteNotice = QStringLiteral("NotificationChangeDeleteNoticeKey");
// The subtitle size or a line colour changed: subtitle tables reload.
inline const QString kChangeFontSize = QStringLiteral("NotificationChangeFontSizeKey");
// The floating window's background changed: the floating window resets its background alpha.
inline const QString kChangeBgFloat = QStringLiteral("NotificationChangeBgFloatKey");
// A window of the application was resized.
inline const QString kWindowDidResize = QStringLiteral("NSWindowDidResizeNotification");

// A document translation has been started: the document section shows its history tab.
inline const QString kDocumentHistorical = QStringLiteral("NotificationHistoricalKey");
// The end of an audio upload has been reported (and again when the service has taken it): the audio
// section shows its history tab.
inline const QString kAudioTranslationHistorical =
    QStringLiteral("NotificationAudioTranslationHistoricalKey");

} // namespace MLNotificationNames
