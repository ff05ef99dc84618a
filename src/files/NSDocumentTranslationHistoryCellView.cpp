#include "files/NSDocumentTranslationHistoryCellView.h"

#include "files/MLDownloadFileName.h"
#include "files/MLFilesHost.h"
#include "files/MLResultDownload.h"

#include <QDir>
#include <QFileInfo>

NSDocumentTranslationHistoryCellView::NSDocumentTranslationHistoryCellView(QWidget *parent)
    : MLJobHistoryCellView(parent) {}

void NSDocumentTranslationHistoryCellView::setModel(const NSDocumentTranslationHistoryModel &model) {
    m_model = model;
    // A finished job without a result address has nothing to download.
    showRow(model.sourceFileName, model.translateTotalPriceStr, model.translateStatusStr,
            model.translateStatus == 3 && !model.targetFileUrl.trimmed().isEmpty());
}

void NSDocumentTranslationHistoryCellView::downloadClick() {
    const QString folder = MLResultDownload::documentsFolder(kFolderName);
    const QUrl url(m_model.targetFileUrl.trimmed(), QUrl::TolerantMode);
    downloadForPath(folder, QDir(folder).filePath(MLDownloadFileName::documentFileName(url)));
}

void NSDocumentTranslationHistoryCellView::downloadForPath(const QString &folder, const QString &path) {
    // The address is taken as the service wrote it; one that is already percent-encoded stays as it is.
    const QUrl url(m_model.targetFileUrl.trimmed(), QUrl::TolerantMode);
    MLResultDownload::start(QNetworkRequest(url), folder, QFileInfo(path).fileName(),
                            MLResultDownload::Answer::File, MLFilesHost::contentView(this));
}
