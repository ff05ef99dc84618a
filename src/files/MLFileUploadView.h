#pragma once

#include "files/NSDocumentTranslationModel.h"
#include "ui/widgets/MLPageView.h"

#include <QStringList>

#include <functional>
#include <optional>

class QLabel;

// What the document and the audio upload tabs share: the panels, the upload box with its picture and
// tip, the format list and the service's notes, the configuration request made once when the page is
// made, and the open panel. The tabs add their own chain of requests from a click on the upload box.
class MLFileUploadView : public MLPageView {
    Q_OBJECT
public:
    // The configuration is fetched once, when the page is made; showing the tab again fetches nothing.
    void refreshData() override {}

    // The file types the open panel allows; unset until the configuration has arrived.
    const std::optional<QStringList> &extensions() const { return m_extensions; }

    QWidget *bgView() const { return m_bgView; }
    QWidget *contentView() const { return m_contentView; }
    QWidget *documentContentView() const { return m_documentContentView; }
    QLabel *formatLabel() const { return m_formatLabel; }
    QLabel *descLabel() const { return m_descLabel; }
    QWidget *updaloadView() const { return m_updaloadView; }
    QLabel *uploadImageView() const { return m_uploadImageView; }
    QLabel *uploadTipLabel() const { return m_uploadTipLabel; }

    // The notes as a bulleted list: "* " before each, one per line; empty without notes.
    static QString notesText(const QStringList &explain);

protected:
    MLFileUploadView(const QString &uploadTip, QWidget *parent);

    // Puts the format panel `offset` below the bottom of `view` (a view of the content panel).
    void placeDocumentContentBelow(QWidget *view, int offset);

    // POSTs the configuration request to `path`; `arrived` gets the mapped answer. A failure is a
    // toast of its message on the page.
    void requestConfiguration(const QString &path,
                              std::function<void(const NSDocumentTranslationModel &)> arrived);
    void setExtensions(const QStringList &extensions) { m_extensions = extensions; }
    void showFormats(const QString &formatText, const QStringList &explain);

    // The open panel limited to extensions(); `chosen` gets the file's path and its size in bytes as
    // decimal text. A cancelled panel, or a file whose size cannot be read, ends there without a word.
    void openPanel(std::function<void(const QString &path, const QString &size)> chosen);

    // Run by a click on the upload box.
    virtual void uploadBoxClicked() = 0;

    void resizeEvent(QResizeEvent *event) override;

private:
    void creatUI(const QString &uploadTip);
    void layoutUI();
    void bindAction();
    void fitDocumentContentHeight();

    std::optional<QStringList> m_extensions;
    QWidget *m_bgView = nullptr;
    QWidget *m_contentView = nullptr;
    QWidget *m_documentContentView = nullptr;
    QLabel *m_formatLabel = nullptr;
    QLabel *m_descLabel = nullptr;
    QWidget *m_updaloadView = nullptr;
    QLabel *m_uploadImageView = nullptr;
    QLabel *m_uploadTipLabel = nullptr;
};
