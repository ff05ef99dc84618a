#include "files/MLAudioTranslationSonView.h"

#include "core/net/MLEncryptOperation.h"
#include "core/net/MLNetRequestManager.h"
#include "core/net/MLServiceText.h"
#include "files/MLFileJobFailure.h"
#include "files/MLFilesHost.h"
#include "files/MLFilesLogging.h"
#include "platform/audio/MLMediaInfo.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/objectstore/MLObjectStoreMimeType.h"
#include "platform/objectstore/MLObjectStorePresigner.h"
#include "platform/objectstore/MLObjectStoreUploader.h"
#include "ui/widgets/MBProgressHUD.h"
#include "ui/widgets/MLToast.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonObject>
#include <QPointer>

#include <cmath>

MLAudioTranslationSonView::MLAudioTranslationSonView(QWidget *parent)
    : MLFileUploadView(QStringLiteral("点击上传音频"), parent)
    , m_clock([] { return QDateTime::currentSecsSinceEpoch(); }) {
    networkRequest();
}

QString MLAudioTranslationSonView::formatText(const QStringList &macTypeList) {
    return QStringLiteral("支持的格式:（%1种）\n\n%2\n")
        .arg(macTypeList.size())
        .arg(macTypeList.join(QStringLiteral("，")));
}

qint64 MLAudioTranslationSonView::wholeSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0)
        return 0;
    return static_cast<qint64>(std::trunc(std::min(seconds, 9.0e15)));
}

void MLAudioTranslationSonView::networkRequest() {
    requestConfiguration(QStringLiteral("/voiceTranslate/getVoiceTranslateConfig"),
                         [this](const NSDocumentTranslationModel &model) {
                             setExtensions(model.macTypeList);
                             showFormats(formatText(model.macTypeList), model.explain);
                         });
}

void MLAudioTranslationSonView::failed(const QString &message, const QString &code) {
    MLFileJobFailure::handle(this, message, code, MLFileJobFailure::kCancelTranscription);
}

void MLAudioTranslationSonView::openPanelClick() {
    openPanel([this](const QString &path, const QString &size) {
        const std::optional<double> duration = MLMediaInfo::durationSeconds(path);
        if (!duration) {
            // Not audio that can be measured: pricing it by a made-up length would be wrong.
            qCWarning(lcFiles) << "no duration for" << path;
            MLToast::makeToast(this, QStringLiteral("无法读取音频时长"), 1.0);
            return;
        }
        checkTranslateForPath(path, size, wholeSeconds(*duration));
    });
}

void MLAudioTranslationSonView::checkTranslateForPath(const QString &path, const QString &size, qint64 time) {
    const MLOrderedParameters parameters{{QStringLiteral("fileName"), QFileInfo(path).fileName()},
                                         {QStringLiteral("fileSize"), size},
                                         {QStringLiteral("durationSec"), time}};
    const MLFailureBlock failure = [this](const QString &message, const QString &code) {
        failed(message, code);
    };
    MLNetRequestManager::sharedService().postUrl(
        QStringLiteral("/voiceTranslate/calculateTranslateCost"),
        MLEncryptOperation::returnRequestJsonToDic(parameters),
        MLNetRequestManager::decryptedModel<NSCalculateTranslateCostModel>(
            [this, path](const NSCalculateTranslateCostModel &cost) {
                MLAlert alert;
                alert.setMessageText(MLServiceText::forDisplay(cost.translateDesc));
                alert.addButtonWithTitle(QStringLiteral("确定"));
                alert.addButtonWithTitle(QStringLiteral("取消"));
                QPointer<MLAudioTranslationSonView> self(this);
                alert.beginSheetModalForWindow(window(), [self, cost, path](int response) {
                    if (self && response == MLAlert::FirstButtonReturn)
                        self->updateFile(cost, path);
                });
            },
            failure),
        failure, this);
}

namespace {
MLOrderedParameters uploadParameters(const NSCalculateTranslateCostModel &model, const QString &filePath) {
    return {{QStringLiteral("fileName"), QFileInfo(filePath).fileName()},
            {QStringLiteral("objectName"), model.objectName},
            {QStringLiteral("translateId"), model.translateId}};
}
} // namespace

void MLAudioTranslationSonView::updateFile(const NSCalculateTranslateCostModel &model,
                                           const QString &filePath) {
    MLNetRequestManager::sharedService().postUrl(
        QStringLiteral("/voiceTranslate/startUploadFile"),
        MLEncryptOperation::returnRequestJsonToDic(uploadParameters(model, filePath)),
        [this, model, filePath](const QJsonObject &) { uploadFile(model, filePath); },
        [this](const QString &message, const QString &code) { failed(message, code); }, this);
}

void MLAudioTranslationSonView::uploadFile(const NSCalculateTranslateCostModel &model,
                                           const QString &filePath) {
    const QPointer<QWidget> host = MLFilesHost::contentView(this);
    const QPointer<MBProgressHUD> hud = MBProgressHUD::showHUDAddedTo(host, false);
    const QPointer<MLAudioTranslationSonView> self(this);
    auto fail = [self, hud] {
        MBProgressHUD::hideHUD(hud, false);
        if (self)
            MLToast::makeToast(self, kUploadFailed, 1.0);
    };

    const MLObjectStorePresigner presigner(model.endpoint,
                                           {model.accessKeyId, model.accessKeySecret, model.securityToken});
    const QString contentType = MLObjectStoreMimeType::mimeTypeForFilePath(
        QUrl::fromLocalFile(filePath).toString(), model.objectName);
    const std::optional<QUrl> address = presigner.presignConstrainURL(
        model.bucketName, model.objectName, QStringLiteral("PUT"),
        MLObjectStorePresigner::kDefaultExpirationSeconds, contentType, QString(), m_clock());
    if (!address) {
        qCWarning(lcFiles) << "the upload address could not be signed for" << model.endpoint;
        fail();
        return;
    }
    // The overlay is hidden whatever happens to the page in the meantime; the chain goes on only
    // while the page exists.
    MLObjectStoreUploader::putFile(
        *address, filePath, contentType, host,
        [self, hud, model, filePath, fail](const MLObjectStoreUploader::Result &result) {
            const bool sent =
                result.error == QNetworkReply::NoError && result.httpStatus != 203 && result.httpStatus < 300;
            if (!sent) {
                qCWarning(lcFiles) << "the object store refused the upload:" << result.httpStatus
                                   << result.errorString;
                fail();
                return;
            }
            MBProgressHUD::hideHUD(hud, false);
            if (!self)
                return;
            self->startRecognize(model, filePath);
            MLNotificationCenter::defaultCenter().postNotificationName(
                MLNotificationNames::kAudioTranslationHistorical);
        });
}

void MLAudioTranslationSonView::startRecognize(const NSCalculateTranslateCostModel &model,
                                               const QString &filePath) {
    MLNetRequestManager::sharedService().postUrl(
        QStringLiteral("/voiceTranslate/endUploadFile"),
        MLEncryptOperation::returnRequestJsonToDic(uploadParameters(model, filePath)),
        [](const QJsonObject &) {
            MLNotificationCenter::defaultCenter().postNotificationName(
                MLNotificationNames::kAudioTranslationHistorical);
        },
        [this](const QString &message, const QString &code) { failed(message, code); }, this);
}
