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
#include <QTextLayout>

#include <algorithm>
#include <array>

namespace {
Q_LOGGING_CATEGORY(lcHistoryRow, "ml.live.ui.history")

constexpr int kOperationLeft = 53;
constexpr int kTimeLeft = 230;
constexpr int kSeletedLeft = 493;
constexpr int kDeleteLeft = 693;
// Long enough to read a path.
constexpr double kUnshownFolderSeconds = 4.0;

QString documentsDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

// How far a label's line of text reaches above and below its baseline, counting every font that draws
// it: Chinese text falls back to a font taller than the one that draws digits.
QPair<qreal, qreal> lineExtent(const QLabel *label) {
    QTextLayout layout(label->text(), label->font());
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    return {line.ascent(), line.descent()};
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
    for (QLabel *label : {m_operationLabel, m_timeLabel, m_seletedLabel, m_deleteLabel})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_seletedLabel->setCursor(Qt::PointingHandCursor);
    m_deleteLabel->setCursor(Qt::PointingHandCursor);
}

void NSSubtitleExportCellView::layoutUI() {
    // The four texts stand on one baseline, their common line centred vertically in the row. Each text
    // sits at the top of its label, so its baseline lies its (rounded) ascent below the label's top.
    const std::array<QPair<QLabel *, int>, 4> labels{{{m_operationLabel, kOperationLeft},
                                                      {m_timeLabel, kTimeLeft},
                                                      {m_seletedLabel, kSeletedLeft},
                                                      {m_deleteLabel, kDeleteLeft}}};
    std::array<QPair<qreal, qreal>, labels.size()> extents;
    qreal ascent = 0;
    qreal descent = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        labels[i].first->adjustSize();
        extents[i] = lineExtent(labels[i].first);
        ascent = std::max(ascent, extents[i].first);
        descent = std::max(descent, extents[i].second);
    }
    const int baseline = qRound((height() - (ascent + descent)) / 2 + ascent);
    for (std::size_t i = 0; i < labels.size(); ++i)
        labels[i].first->move(labels[i].second, baseline - qRound(extents[i].first));
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
        // A folder opens in the file manager; a plain file there opens the folder that holds it. When
        // nothing can show it, the user is told where it is.
        const bool shown = info.isDir() ? MLWorkspace::selectFile(QString(), folder)
                                        : MLWorkspace::activateFileViewerSelectingURLs({folder});
        if (!shown)
            MLToast::makeToast(toastView(), QStringLiteral("无法打开文件管理器，文件夹在：") + folder,
                               kUnshownFolderSeconds);
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
