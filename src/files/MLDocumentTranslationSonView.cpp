#include "files/MLDocumentTranslationSonView.h"

#include "core/net/MLEncryptOperation.h"
#include "core/net/MLMicrosoftNetRequestManager.h"
#include "core/net/MLNetRequestManager.h"
#include "core/net/MLServiceText.h"
#include "files/MLDocumentTranslationViewToolBarView.h"
#include "files/MLFileJobFailure.h"
#include "files/MLFilesLogging.h"
#include "files/NSDocumentCheckTranslateModel.h"
#include "live/ui/NSTranslationComboBoxView.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLAnchors.h"
#include "platform/kit/ui/MLImage.h"
#include "ui/util/MLColorUtils.h"
#include "ui/widgets/MLRoundedPanelView.h"
#include "ui/widgets/MLToast.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>

namespace {

// The confirmation and price alerts: "确定" goes on, "取消" ends the chain.
void confirm(QWidget *page, const QString &message, std::function<void()> accepted) {
    MLAlert alert;
    alert.setMessageText(message);
    alert.addButtonWithTitle(QStringLiteral("确定"));
    alert.addButtonWithTitle(QStringLiteral("取消"));
    QPointer<QWidget> guard(page);
    alert.beginSheetModalForWindow(page->window(), [guard, accepted = std::move(accepted)](int response) {
        if (guard && response == MLAlert::FirstButtonReturn)
            accepted();
    });
}

} // namespace

MLDocumentTranslationSonView::MLDocumentTranslationSonView(QWidget *parent)
    : MLFileUploadView(QStringLiteral("点击上传文档"), parent) {
    creatUI();
    layoutUI();
    initLanguage();
    networkRequest();
}

// A picker in a frame with a 1-point "#e0e0e0" border and corners of radius 5. The pickers request
// their lists now, before initLanguage hands them their stored entries; the answers come later.
NSTranslationComboBoxView *MLDocumentTranslationSonView::makePicker(int languageType) {
    auto *frame = new MLRoundedPanelView(Qt::white, 5, contentView());
    frame->setBorder(MLColorUtils::colorWithHexString(QStringLiteral("#e0e0e0")), 1);
    auto *picker = new NSTranslationComboBoxView(frame);
    picker->setLanguageKey(kLanguageKey);
    picker->setLanguageType(languageType);
    MLAnchors::make(picker, [](MLConstraintMaker &m) { m.edges(1); });
    return picker;
}

void MLDocumentTranslationSonView::creatUI() {
    m_sourceLanguageView = makePicker(NSTranslationComboBoxView::kSourceLanguageType);
    m_sourceLanguageView->setIsSourceLanguage(true);
    m_changeIconImageView = new QLabel(contentView());
    m_changeIconImageView->setScaledContents(true);
    m_changeIconImageView->setPixmap(MLImage::pixmap(QStringLiteral("dchange_icon"), QSize(28, 28)));
    m_targetLanguageView = makePicker(NSTranslationComboBoxView::kTargetLanguageType);
}

void MLDocumentTranslationSonView::layoutUI() {
    MLAnchors::make(m_changeIconImageView, [](MLConstraintMaker &m) {
        m.size(28, 28);
        m.centerX();
        m.top().offset(20);
    });
    QWidget *sourceFrame = m_sourceLanguageView->parentWidget();
    QWidget *targetFrame = m_targetLanguageView->parentWidget();
    MLAnchors::make(sourceFrame, [this](MLConstraintMaker &m) {
        m.size(160, 20);
        m.right().equalTo(m_changeIconImageView, MLEdge::Left).offset(-15);
        m.centerY().equalTo(m_changeIconImageView);
    });
    MLAnchors::make(targetFrame, [this](MLConstraintMaker &m) {
        m.size(160, 20);
        m.left().equalTo(m_changeIconImageView, MLEdge::Right).offset(15);
        m.centerY().equalTo(m_changeIconImageView);
    });
    placeDocumentContentBelow(targetFrame, 30);
}

void MLDocumentTranslationSonView::initLanguage() {
    m_sourceLanguageView->setItemLanguage(
        NSTranslationComboBoxView::storedLanguage(kLanguageKey + QStringLiteral("Left")));
    m_targetLanguageView->setItemLanguage(
        NSTranslationComboBoxView::storedLanguage(kLanguageKey + QStringLiteral("Right")));
}

MLDocumentTranslationSonView::Formats
MLDocumentTranslationSonView::formats(const NSDocumentTranslationModel &model) {
    Formats result;
    QStringList display;
    for (const NSDocumentTranslationModelValue &value : model.value) {
        for (const QString &extension : value.fileExtensions) {
            display << extension;
            result.allowedTypes << QString(extension).remove(QLatin1Char('.'));
            if (result.allowedTypes.size() % kTypesPerLine == 0)
                display << QStringLiteral("\n");
        }
    }
    QString joined = display.join(QStringLiteral("，"));
    joined.replace(QStringLiteral("，\n，"), QStringLiteral("\n"));
    joined.replace(QStringLiteral("，\n"), QStringLiteral("\n"));
    result.text = QStringLiteral("支持的格式:（%1种）\n\n%2").arg(result.allowedTypes.size()).arg(joined);
    return result;
}

void MLDocumentTranslationSonView::networkRequest() {
    requestConfiguration(QStringLiteral("/documentTranslate/getTranslateDescribe"),
                         [this](const NSDocumentTranslationModel &model) {
                             const Formats shown = formats(model);
                             setExtensions(shown.allowedTypes);
                             showFormats(shown.text, model.explain);
                         });
}

void MLDocumentTranslationSonView::failed(const QString &message, const QString &code) {
    MLFileJobFailure::handle(this, message, code, MLFileJobFailure::kCancelTranslation);
}

void MLDocumentTranslationSonView::uploadDocumenClick() {
    confirm(this, QStringLiteral("请确定源语言和目标语言，\n避免费用出现误差"), [this] { openPanelClick(); });
}

void MLDocumentTranslationSonView::openPanelClick() {
    openPanel([this](const QString &path, const QString &size) { checkTranslateForPath(path, size); });
}

void MLDocumentTranslationSonView::addLanguages(MLOrderedParameters &parameters) const {
    const QString source = m_sourceLanguageView->itemLanguage().languageCode;
    const QString target = m_targetLanguageView->itemLanguage().languageCode;
    if (!source.isEmpty())
        parameters.append({QStringLiteral("sourceLanguage"), source});
    if (!target.isEmpty())
        parameters.append({QStringLiteral("targetLanguage"), target});
}

void MLDocumentTranslationSonView::checkTranslateForPath(const QString &path, const QString &size) {
    MLOrderedParameters parameters{{QStringLiteral("fileName"), QFileInfo(path).fileName()},
                                   {QStringLiteral("fileSize"), size}};
    addLanguages(parameters);
    const MLFailureBlock failure = [this](const QString &message, const QString &code) {
        failed(message, code);
    };
    MLNetRequestManager::sharedService().postUrl(
        QStringLiteral("/documentTranslate/checkTranslate"),
        MLEncryptOperation::returnRequestJsonToDic(parameters),
        MLNetRequestManager::decryptedModel<NSDocumentCheckTranslateModel>(
            [this, path](const NSDocumentCheckTranslateModel &check) { updateFile(check.key, path); },
            failure),
        failure, this);
}

void MLDocumentTranslationSonView::updateFile(const QString &key, const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // The file went away or became unreadable since it was chosen: nothing is sent.
        qCWarning(lcFiles) << "cannot read" << path << "for the upload:" << file.errorString();
        MLToast::makeToast(this, QStringLiteral("读取文件失败"), 1.0);
        return;
    }
    const QByteArray data = file.readAll();
    const QVariantMap formFields{{QStringLiteral("fileName"), QFileInfo(path).fileName()},
                                 {QStringLiteral("key"), key}};
    MLMicrosoftNetRequestManager::sharedService().upLoadDataWithUrlStr(
        QStringLiteral("/file/uploadTranslateFile"), formFields, data,
        [this](const QJsonObject &answer) {
            // The upload's "dt" is plain: an object, or the JSON text of one.
            const QJsonValue dt = answer.value(QStringLiteral("dt"));
            const auto upload = dt.isString()
                                    ? ml::json::fromJson<NSDocumentCheckTranslateModel>(dt.toString())
                                    : ml::json::fromJson<NSDocumentCheckTranslateModel>(dt);
            if (!upload) {
                failed(QStringLiteral("数据格式异常"), QString());
                return;
            }
            const QString translateId = upload->translateId;
            confirm(this, MLServiceText::forDisplay(upload->translateDesc),
                    [this, translateId] { startTranslate(translateId); });
        },
        [this](const QString &message, const QString &code) { failed(message, code); }, this);
}

void MLDocumentTranslationSonView::startTranslate(const QString &translateId) {
    const QJsonObject parameters{{QStringLiteral("translateId"), translateId}};
    MLNetRequestManager::sharedService().postUrl(
        QStringLiteral("/documentTranslate/startTranslate"),
        MLEncryptOperation::returnRequestJsonToDic(parameters),
        [](const QJsonObject &) {
            MLNotificationCenter::defaultCenter().postNotificationName(
                MLNotificationNames::kDocumentHistorical);
        },
        [this](const QString &message, const QString &code) { failed(message, code); }, this);
}
