#include "files/MLAudioTranslationHistoryCellView.h"

#include "core/net/MLRequestHeaderFields.h"
#include "core/net/MLServiceOrigins.h"
#include "core/session/MLUserManager.h"
#include "files/MLDownloadFileName.h"
#include "files/MLFilesHost.h"
#include "files/MLResultDownload.h"

#include <QDir>
#include <QFileInfo>

MLAudioTranslationHistoryCellView::MLAudioTranslationHistoryCellView(QWidget *parent)
    : MLJobHistoryCellView(parent) {}

void MLAudioTranslationHistoryCellView::setModel(const NSAudioTranslationHistoryModel &model) {
    m_model = model;
    showRow(model.fileName, model.translateTotalPriceStr, model.translateStatusStr,
            model.translateStatus == 3);
}

QUrl MLAudioTranslationHistoryCellView::transcriptUrl(qint64 aid) {
    QUrl url(MLServiceOrigins::apiBaseUrl() + QStringLiteral("/voiceTranslate/downloadTranslateContent"));
    url.setQuery(QStringLiteral("id=%1").arg(aid));
    return url;
}

void MLAudioTranslationHistoryCellView::downloadClick() {
    const QString folder = MLResultDownload::documentsFolder(kFolderName);
    downloadForPath(folder, QDir(folder).filePath(MLDownloadFileName::transcriptFileName(m_model.fileName)));
}

void MLAudioTranslationHistoryCellView::downloadForPath(const QString &folder, const QString &path) {
    QNetworkRequest request(transcriptUrl(m_model.aid));
    // The service's header fields identify the user; the transcript is fetched without the channel
    // field and without an envelope.
    MLRequestHeaderFields::apply(request, MLUserManager::sharedManager());
    request.setRawHeader("userChannel", QByteArray());
    MLResultDownload::start(request, folder, QFileInfo(path).fileName(),
                            MLResultDownload::Answer::ServiceText, MLFilesHost::contentView(this));
}
