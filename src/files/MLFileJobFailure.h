#pragma once

#include <QString>
#include <QUrl>

class QWidget;

// The failure handling that every file-job call after the configuration shares. The service's result
// codes "DIA036" and "DIA037" (the balance does not cover the job) offer the top-up on the maker's web
// site; any other failure is a toast of its message on the page for 1.0 second.
class MLFileJobFailure final {
public:
    MLFileJobFailure() = delete;

    // `cancelTitle` is the alert's second button: kCancelTranslation or kCancelTranscription.
    static void handle(QWidget *page, const QString &message, const QString &code,
                       const QString &cancelTitle);

    // The root page of the maker's web site: ML_WEBSITE_URL when set, else the root of the service
    // API's origin.
    static QUrl websiteUrl();

    static inline const QString kCancelTranslation = QStringLiteral("取消翻译");
    static inline const QString kCancelTranscription = QStringLiteral("取消转写");
    static inline const QString kTopUp = QStringLiteral("立即充值");
};
