#pragma once

#include "files/MLJobHistoryCellView.h"
#include "files/NSDocumentTranslationHistoryModel.h"

// A document translation job; "下载" saves the translated document into Documents/DocumentTranslation.
class NSDocumentTranslationHistoryCellView final : public MLJobHistoryCellView {
    Q_OBJECT
public:
    explicit NSDocumentTranslationHistoryCellView(QWidget *parent = nullptr);

    void setModel(const NSDocumentTranslationHistoryModel &model);
    const NSDocumentTranslationHistoryModel &documentTranslationHistoryModel() const { return m_model; }

    void downloadClick() override;
    // Fetches the result into `folder`, as the name of `path` (or a free name beside it).
    void downloadForPath(const QString &folder, const QString &path);

    static inline const QString kFolderName = QStringLiteral("DocumentTranslation");

private:
    NSDocumentTranslationHistoryModel m_model;
};
