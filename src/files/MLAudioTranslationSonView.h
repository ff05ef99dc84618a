#pragma once

#include "files/MLFileUploadView.h"
#include "files/NSCalculateTranslateCostModel.h"

#include <functional>

// The upload tab of the audio section. A click on the upload box leads through the choice of a file,
// its duration, the price (accepted by the user before anything is sent), the announcement of the
// upload, the PUT of the file to the object store through a presigned address and the report of the
// end of the upload, which starts the transcription; the history tab is then brought into view through
// MLNotificationNames::kAudioTranslationHistorical (posted when the end is reported, and again when the
// service has taken it).
class MLAudioTranslationSonView final : public MLFileUploadView {
    Q_OBJECT
public:
    explicit MLAudioTranslationSonView(QWidget *parent = nullptr);

    // "/voiceTranslate/getVoiceTranslateConfig": the allowed types and the notes.
    void networkRequest();
    void openPanelClick();
    // The price of the file (`time` in whole seconds), and the user's acceptance of it.
    void checkTranslateForPath(const QString &path, const QString &size, qint64 time);
    // Announces the upload to the service.
    void updateFile(const NSCalculateTranslateCostModel &model, const QString &filePath);
    // The PUT of the file to the object store, under a progress overlay on the application window.
    void uploadFile(const NSCalculateTranslateCostModel &model, const QString &filePath);
    // Reports the end of the upload, which starts the transcription.
    void startRecognize(const NSCalculateTranslateCostModel &model, const QString &filePath);

    // "支持的格式:（n种）", an empty line, the types joined by "，", and a final line break.
    static QString formatText(const QStringList &macTypeList);
    // Whole seconds of a duration, truncated toward zero.
    static qint64 wholeSeconds(double seconds);

    // The clock of the presigned address's expiry, in seconds since 1970 (tests set their own).
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    static inline const QString kUploadFailed = QStringLiteral("上传报错，联系客服");

protected:
    void uploadBoxClicked() override { openPanelClick(); }

private:
    void failed(const QString &message, const QString &code);

    std::function<qint64()> m_clock;
};
