#include "files/MLFileUploadView.h"

#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"
#include "platform/kit/ui/MLAnchors.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "platform/kit/ui/MLImage.h"
#include "platform/kit/ui/MLOpenPanel.h"
#include "ui/util/MLColorUtils.h"
#include "ui/widgets/MLLook.h"
#include "ui/widgets/MLRoundedPanelView.h"
#include "ui/widgets/MLToast.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>

namespace {
constexpr int kUploadBoxTop = 50;
constexpr int kUploadBoxHeight = 160;
constexpr int kFormatTop = 50;
constexpr int kFormatBottom = 5;
constexpr int kSideInset = 20;
constexpr int kFormatInset = 10;
} // namespace

MLFileUploadView::MLFileUploadView(const QString &uploadTip, QWidget *parent)
    : MLPageView(parent) {
    creatUI(uploadTip);
    layoutUI();
    bindAction();
}

QString MLFileUploadView::notesText(const QStringList &explain) {
    if (explain.isEmpty())
        return {};
    return QStringLiteral("* ") + explain.join(QStringLiteral("\n* "));
}

void MLFileUploadView::creatUI(const QString &uploadTip) {
    m_bgView = new MLRoundedPanelView(MLColorUtils::colorWithHexString(QStringLiteral("F8FAFF")), 10, this);
    m_contentView = new MLRoundedPanelView(Qt::white, 10, m_bgView);
    m_documentContentView =
        new MLRoundedPanelView(MLColorUtils::colorWithHexString(QStringLiteral("EEEEFF")), 10, m_contentView);

    m_formatLabel = MLLook::makeLabel(m_documentContentView, 14, QStringLiteral("#b5b5b5"));
    m_formatLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_formatLabel->setWordWrap(true);
    m_descLabel = MLLook::makeLabel(m_contentView, 14, QStringLiteral("#FE0000"));
    m_descLabel->setWordWrap(true);

    auto *box = new MLRoundedPanelView(Qt::transparent, 10, m_documentContentView);
    box->setBorder(MLColorUtils::colorWithHexString(QStringLiteral("#9E9EFF")), 1);
    box->setCursor(Qt::PointingHandCursor);
    m_updaloadView = box;
    m_uploadImageView = new QLabel(m_updaloadView);
    m_uploadImageView->setScaledContents(true);
    m_uploadImageView->setPixmap(MLImage::pixmap(QStringLiteral("translate_upload"), QSize(61, 42)));
    m_uploadTipLabel = MLLook::makeLabel(m_updaloadView, 16, QStringLiteral("#4E5679"), uploadTip);
    m_uploadTipLabel->setAlignment(Qt::AlignLeft);
    m_uploadTipLabel->setWordWrap(true);
}

void MLFileUploadView::layoutUI() {
    MLAnchors::make(m_bgView, [](MLConstraintMaker &m) { m.edges(15); });
    MLAnchors::make(m_contentView, [](MLConstraintMaker &m) { m.edges(2); });
    MLAnchors::make(m_documentContentView, [](MLConstraintMaker &m) {
        m.left().offset(kSideInset);
        m.right().offset(-kSideInset);
        m.top().offset(35);
        m.height(kUploadBoxTop + kUploadBoxHeight + kFormatTop + kFormatBottom);
    });
    MLAnchors::make(m_updaloadView, [](MLConstraintMaker &m) {
        m.size(400, kUploadBoxHeight);
        m.centerX();
        m.top().offset(kUploadBoxTop);
    });
    MLAnchors::make(m_uploadImageView, [](MLConstraintMaker &m) {
        m.size(61, 42);
        m.centerX();
        m.top().offset(40);
    });
    MLAnchors::make(m_uploadTipLabel, [this](MLConstraintMaker &m) {
        m.centerX().equalTo(m_uploadImageView);
        m.top().equalTo(m_uploadImageView, MLEdge::Bottom).offset(15);
    });
    MLAnchors::make(m_formatLabel, [this](MLConstraintMaker &m) {
        m.left().offset(kFormatInset);
        m.right().offset(-kFormatInset);
        m.top().equalTo(m_updaloadView, MLEdge::Bottom).offset(kFormatTop);
    });
    MLAnchors::make(m_descLabel, [this](MLConstraintMaker &m) {
        m.left().equalTo(m_documentContentView);
        m.right().equalTo(m_documentContentView);
        m.bottom().offset(-30);
    });
}

void MLFileUploadView::bindAction() {
    MLClickRecognizer::attach(m_updaloadView, this, [this] { uploadBoxClicked(); });
}

void MLFileUploadView::placeDocumentContentBelow(QWidget *view, int offset) {
    MLAnchors::update(m_documentContentView, [view, offset](MLConstraintMaker &m) {
        m.top().equalTo(view, MLEdge::Bottom).offset(offset);
    });
}

// The format panel ends 5 below the format list, whose height follows its text and width.
void MLFileUploadView::fitDocumentContentHeight() {
    const int width = m_contentView->width() - 2 * kSideInset - 2 * kFormatInset;
    const int textHeight =
        width > 0 ? m_formatLabel->heightForWidth(width) : m_formatLabel->sizeHint().height();
    const int height = kUploadBoxTop + kUploadBoxHeight + kFormatTop + qMax(0, textHeight) + kFormatBottom;
    MLAnchors::update(m_documentContentView, [height](MLConstraintMaker &m) { m.height(height); });
}

void MLFileUploadView::resizeEvent(QResizeEvent *event) {
    MLPageView::resizeEvent(event);
    MLAnchors::layoutIfNeeded(this);
    fitDocumentContentHeight();
}

void MLFileUploadView::showFormats(const QString &formatText, const QStringList &explain) {
    m_descLabel->setText(notesText(explain));
    m_formatLabel->setText(formatText);
    MLAnchors::layoutIfNeeded(this);
    fitDocumentContentHeight();
}

void MLFileUploadView::requestConfiguration(const QString &path,
                                            std::function<void(const NSDocumentTranslationModel &)> arrived) {
    MLNetRequestManager::sharedService().postUrl(
        path, QString(),
        [arrived = std::move(arrived)](const QJsonObject &answer) {
            const auto model = ml::json::fromJson<NSDocumentTranslationModel>(
                SecurityCore::decryptString(answer.value(QStringLiteral("dt"))));
            arrived(model.value_or(NSDocumentTranslationModel{}));
        },
        [this](const QString &message, const QString &) { MLToast::makeToast(this, message, 1.0); }, this);
}

void MLFileUploadView::openPanel(std::function<void(const QString &path, const QString &size)> chosen) {
    auto panel = MLOpenPanel::openPanel();
    panel->setAllowedFileTypes(m_extensions.value_or(QStringList{}));
    QPointer<MLFileUploadView> self(this);
    // The panel keeps itself alive until its completion has run.
    const std::weak_ptr<MLOpenPanel> weakPanel = panel;
    panel->beginSheetModalForWindow(window(), [self, weakPanel, chosen = std::move(chosen)](int response) {
        const auto panel = weakPanel.lock();
        if (!self || !panel || response != MLOpenPanel::OKResponse)
            return;
        const QString path = panel->URL().toLocalFile();
        const QFileInfo info(path);
        if (path.isEmpty() || !info.isFile())
            return;
        chosen(path, QString::number(info.size()));
    });
}
