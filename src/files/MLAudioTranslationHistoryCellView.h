#pragma once

#include "files/MLJobHistoryCellView.h"
#include "files/NSAudioTranslationHistoryModel.h"

#include <QUrl>

// An audio transcription job; "下载" saves the transcript into Documents/AudioTranslation.
class MLAudioTranslationHistoryCellView final : public MLJobHistoryCellView {
    Q_OBJECT
public:
    explicit MLAudioTranslationHistoryCellView(QWidget *parent = nullptr);

    void setModel(const NSAudioTranslationHistoryModel &model);
    const NSAudioTranslationHistoryModel &audioTranslationHistoryModel() const { return m_model; }

    void downloadClick() override;
    // Fetches the transcript into `folder`, as the name of `path` (or a free name beside it).
    void downloadForPath(const QString &folder, const QString &path);

    // The service's address of the transcript of job `aid`.
    static QUrl transcriptUrl(qint64 aid);

    static inline const QString kFolderName = QStringLiteral("AudioTranslation");

private:
    NSAudioTranslationHistoryModel m_model;
};
