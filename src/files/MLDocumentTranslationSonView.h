#pragma once

#include "core/net/MLEncryptOperation.h"

#include "files/MLFileUploadView.h"

class QLabel;
class NSTranslationComboBoxView;

// The upload tab of the document section. A click on the upload box leads through the confirmation
// of the languages, the choice of a file, the service's check of it, the upload of the whole file and
// the user's acceptance of the price to the start of a translation job; the history tab is then
// brought into view through MLNotificationNames::kDocumentHistorical.
class MLDocumentTranslationSonView final : public MLFileUploadView {
    Q_OBJECT
public:
    explicit MLDocumentTranslationSonView(QWidget *parent = nullptr);

    // "/documentTranslate/getTranslateDescribe": the formats and the notes.
    void networkRequest();
    // The click on the upload box: the confirmation of the languages.
    void uploadDocumenClick();
    void openPanelClick();
    // The service's check of the file (`size` in bytes as decimal text).
    void checkTranslateForPath(const QString &path, const QString &size);
    // The upload of the whole file under the check's `key`, then the acceptance of the price.
    void updateFile(const QString &key, const QString &path);
    // Starts the translation job.
    void startTranslate(const QString &translateId);

    // Hands the pickers the languages stored under "MLDocumentTranslationLeft" and "...Right".
    void initLanguage();

    NSTranslationComboBoxView *sourceLanguageView() const { return m_sourceLanguageView; }
    QLabel *changeIconImageView() const { return m_changeIconImageView; }
    NSTranslationComboBoxView *targetLanguageView() const { return m_targetLanguageView; }

    // The open panel's types (the extensions without their dots) and the format list's text: the
    // extensions as the service wrote them, 16 to a line, joined by "，".
    struct Formats {
        QStringList allowedTypes;
        QString text;
    };
    static Formats formats(const NSDocumentTranslationModel &model);

    static constexpr int kTypesPerLine = 16;
    static inline const QString kLanguageKey = QStringLiteral("MLDocumentTranslation");

protected:
    void uploadBoxClicked() override { uploadDocumenClick(); }

private:
    void creatUI();
    void layoutUI();
    void failed(const QString &message, const QString &code);
    // The chosen languages' codes as check parameters; a side without a code adds nothing.
    void addLanguages(MLOrderedParameters &parameters) const;

    NSTranslationComboBoxView *makePicker(int languageType);

    NSTranslationComboBoxView *m_sourceLanguageView = nullptr;
    QLabel *m_changeIconImageView = nullptr;
    NSTranslationComboBoxView *m_targetLanguageView = nullptr;
};
