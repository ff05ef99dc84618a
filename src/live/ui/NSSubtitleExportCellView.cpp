#include "live/ui/NSSubtitleExportCellView.h"

#include "core/session/MLUserManager.h"
#include "live/engine/MLDBManager.h"
#include "live/ui/MLSettingRowLook.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLAlert.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "platform/kit/ui/MLWorkspace.h"
#include "ui/util/MLUtilsTools.h"
#include "ui/widgets/MLAppHost.h"
#include "ui/widgets/MLLook.h"
#include "ui/widgets/MLToast.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QStandardPaths>

namespace {
Q_LOGGING_CATEGORY(lcHistoryRow, "ml.live.ui.history")

constexpr int kOperationLeft = 53;
constexpr int kTimeLeft = 230;
constexpr int kSeletedLeft = 493;
constexpr int kDeleteLeft = 693;

QString documentsDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QWidget *toastView() {
    MLAppHost *app = MLAppHost::shared();
    return app ? app->contentView() : nullptr;
}
} // namespace

NSSubtitleExportCellView::NSSubtitleExportCellView(QWidget *parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("NSSubtitleExportCellView { background: white; }"));
    setUI();
    layoutUI();
    bindAction();
}

void NSSubtitleExportCellView::setUI() {
    m_line_bottom = MLLook::makeLine(this, QStringLiteral("#f5f5f5"));
    m_operationLabel = MLLook::makeLabel(this, 14, QStringLiteral("#8C8C8C"));
    m_timeLabel = MLLook::makeLabel(this, 14, QStringLiteral("#4E4E4E"));
    m_seletedLabel = MLLook::makeLabel(this, 14, QStringLiteral("#0085FF"), QStringLiteral("查看"));
    m_deleteLabel = MLLook::makeLabel(this, 14, QStringLiteral("#0085FF"), QStringLiteral("删除"));
    m_seletedLabel->setCursor(Qt::PointingHandCursor);
    m_deleteLabel->setCursor(Qt::PointingHandCursor);
}

void NSSubtitleExportCellView::layoutUI() {
    const auto place = [this](QLabel *label, int left) {
        label->adjustSize();
        label->move(left, (height() - label->height()) / 2);
    };
    place(m_operationLabel, kOperationLeft);
    place(m_timeLabel, kTimeLeft);
    place(m_seletedLabel, kSeletedLeft);
    place(m_deleteLabel, kDeleteLeft);
    MLSettingRowLook::placeBottomLine(m_line_bottom, this);
}

void NSSubtitleExportCellView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutUI();
}

void NSSubtitleExportCellView::bindAction() {
    MLClickRecognizer::attach(m_seletedLabel, this, [this] { seletedBtnClick(); });
    MLClickRecognizer::attach(m_deleteLabel, this, [this] { deleteBtnClick(); });
}

void NSSubtitleExportCellView::setModel(const HistoricalRecordModel &model) {
    m_model = model;
    m_operationLabel->setText(operationName(model.type));
    m_timeLabel->setText(MLUtilsTools::getDateTime(model.date, QString()));
    layoutUI();
}

QString NSSubtitleExportCellView::operationName(qint64 type) {
    switch (type) {
    case 1:
        return QStringLiteral("语音识别");
    case 2:
        return QStringLiteral("普通翻译");
    case 3:
        return QStringLiteral("高精翻译");
    default:
        return QStringLiteral("价低翻译");
    }
}

QString NSSubtitleExportCellView::sessionFolderPath(const QString &storedPath) {
    // Joined as text, so a stored path that starts with "/" still lands under Documents.
    return QDir::cleanPath(documentsDirectory() + QLatin1Char('/') + storedPath);
}

std::optional<QString> NSSubtitleExportCellView::removableSessionFolder(const QString &storedPath,
                                                                        qint64 consumerId) {
    const QString historyRoot =
        QFileInfo(documentsDirectory() + QStringLiteral("/historicalRecord/") + QString::number(consumerId))
            .canonicalFilePath();
    // The folder's own location, symbolic links and ".." resolved; empty when it does not exist.
    const QString folder =
        QFileInfo(documentsDirectory() + QLatin1Char('/') + storedPath).canonicalFilePath();
    if (historyRoot.isEmpty() || folder.isEmpty())
        return std::nullopt;
    if (!folder.startsWith(historyRoot + QLatin1Char('/')))
        return std::nullopt;
    return folder;
}

void NSSubtitleExportCellView::seletedBtnClick() {
    const QString folder = sessionFolderPath(m_model.path);
    const QFileInfo info(folder);
    if (info.exists()) {
        // A folder opens in the file manager; a plain file there opens the folder that holds it.
        if (info.isDir())
            MLWorkspace::selectFile(QString(), folder);
        else
            MLWorkspace::activateFileViewerSelectingURLs({folder});
        return;
    }
    MLToast::makeToast(toastView(), QStringLiteral("文件已经不存在了"), 1.0);
}

void NSSubtitleExportCellView::deleteBtnClick() {
    MLAlert alert;
    alert.setMessageText(QStringLiteral("确定删除？"));
    alert.addButtonWithTitle(QStringLiteral("确定"));
    alert.addButtonWithTitle(QStringLiteral("取消"));
    QWidget *keyWindow = QApplication::activeWindow() ? QApplication::activeWindow() : window();
    QPointer<NSSubtitleExportCellView> weakSelf(this);
    alert.beginSheetModalForWindow(keyWindow, [weakSelf](int response) {
        if (response == MLAlert::FirstButtonReturn && weakSelf)
            weakSelf->deleteOperationClick();
    });
}

void NSSubtitleExportCellView::deleteOperationClick() {
    const qint64 consumerId = MLUserManager::sharedManager().consumerId();
    if (!MLDBManager::getSharedInstance().deleteData(m_model.historicalId))
        qCWarning(lcHistoryRow) << "history row" << m_model.historicalId << "could not be deleted";

    const QString joined = sessionFolderPath(m_model.path);
    if (QFileInfo::exists(joined) || QFileInfo(joined).isSymLink()) {
        if (const auto folder = removableSessionFolder(m_model.path, consumerId)) {
            const QFileInfo info(*folder);
            const bool removed = info.isDir() ? QDir(*folder).removeRecursively() : QFile::remove(*folder);
            if (!removed)
                qCWarning(lcHistoryRow) << "session folder" << *folder << "could not be removed completely";
        } else {
            qCWarning(lcHistoryRow) << "history row" << m_model.historicalId
                                    << "points outside the history folder;"
                                    << "nothing removed:" << m_model.path;
        }
    }

    MLToast::makeToast(toastView(), QStringLiteral("删除成功"), 1.0);
    MLNotificationCenter::defaultCenter().postNotificationName(MLNotificationNames::kChangeDeleteNotice);
}
