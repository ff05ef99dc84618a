#include "live/ui/MLRegionSettingCellView.h"

#include "core/net/MLNetRequestManager.h"
#include "core/security/SecurityCore.h"
#include "live/ui/MLRegionShowTipVC.h"
#include "live/ui/MLSettingRowLook.h"
#include "platform/kit/ui/MLApplicationModal.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "platform/kit/ui/MLImage.h"
#include "ui/widgets/MLLook.h"
#include "ui/widgets/MLToast.h"

#include <QGuiApplication>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPointer>
#include <QScreen>

namespace {
Q_LOGGING_CATEGORY(lcRegionRow, "ml.live.ui.region")

constexpr int kPickerWidth = 240;
constexpr int kPickerHeight = 30;
constexpr int kQuerySide = 18;
constexpr int kQueryGap = 10;
constexpr int kNotesWidth = 400;
constexpr int kNotesHeight = 450;
} // namespace

MLRegionSettingCellView::MLRegionSettingCellView(QWidget *parent)
    : QWidget(parent) {
    creatUI();
    layoutUI();
    bindAction();
}

void MLRegionSettingCellView::creatUI() {
    m_titleLabel = MLSettingRowLook::makeTitleLabel(this, QStringLiteral("区域设置"));
    m_regionComboBoxView = new NSRegionComboBoxView(this);
    m_regionComboBoxView->setObjectName(QStringLiteral("regionComboBoxView"));
    m_regionComboBoxView->setStyleSheet(
        QStringLiteral("#regionComboBoxView { border: 1px solid %1; border-radius: 5px; }")
            .arg(MLLook::colorName(QStringLiteral("#e0e0e0"))));
    m_regionQueryImageView = new QLabel(this);
    m_regionQueryImageView->setScaledContents(true);
    m_regionQueryImageView->setPixmap(
        MLImage::pixmap(QStringLiteral("regionQuery_icon"), QSize(kQuerySide, kQuerySide)));
    m_regionQueryImageView->setCursor(Qt::PointingHandCursor);
    m_regionQueryImageView->setHidden(true);
    m_line = MLLook::makeLine(this, QStringLiteral("#efefef"));
}

void MLRegionSettingCellView::layoutUI() {
    MLSettingRowLook::placeTitle(m_titleLabel);
    MLSettingRowLook::placeBottomLine(m_line, this);
    const int top = m_titleLabel->geometry().bottom() + 1;
    const int pickerTop = top + (m_line->y() - top - kPickerHeight) / 2;
    m_regionComboBoxView->setGeometry(m_titleLabel->x(), pickerTop, kPickerWidth, kPickerHeight);
    m_regionQueryImageView->setGeometry(m_regionComboBoxView->geometry().right() + 1 + kQueryGap,
                                        pickerTop + (kPickerHeight - kQuerySide) / 2, kQuerySide, kQuerySide);
}

void MLRegionSettingCellView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutUI();
}

void MLRegionSettingCellView::bindAction() {
    MLClickRecognizer::attach(m_regionQueryImageView, this, [this] { regionQueryClick(); });
    requestRegionList();
}

void MLRegionSettingCellView::requestRegionList() {
    MLNetRequestManager::sharedService().postUrl(
        QStringLiteral("/meInfo/getAzureVoiceRegionList"), QString(),
        [this](const QJsonObject &answer) {
            m_dataList = ml::json::arrayFromJson<MLRegionModel>(
                SecurityCore::decryptString(answer.value(QStringLiteral("dt"))));
            m_regionComboBoxView->setDataList(m_dataList);
            m_regionQueryImageView->setHidden(m_dataList.isEmpty());
        },
        [this](const QString &message, const QString &code) {
            qCWarning(lcRegionRow) << "region list failed" << message << code;
            MLToast::makeToast(this, message, 1.0);
        },
        this);
}

void MLRegionSettingCellView::regionQueryClick() {
    // A window of its own, made anew on each click and gone once its modal run has ended. It has no parent:
    // the settings table may rebuild this row while the window is open.
    QPointer<MLRegionShowTipVC> notes = new MLRegionShowTipVC;
    notes->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    notes->setFixedSize(kNotesWidth, kNotesHeight);
    notes->setDataList(m_dataList);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        notes->move(screen->availableGeometry().center() - notes->rect().center());
    MLApplicationModal::runModalForWindow(notes);
    if (notes)
        notes->deleteLater();
}
