#include "live/ui/NSRegionComboBoxView.h"

#include "core/net/MLEncryptOperation.h"
#include "core/net/MLNetRequestManager.h"
#include "core/session/MLUserManager.h"
#include "ui/widgets/MLComboBoxPopup.h"
#include "ui/widgets/MLLook.h"
#include "ui/widgets/MLToast.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPointer>
#include <QSignalBlocker>

namespace {
Q_LOGGING_CATEGORY(lcRegion, "ml.live.ui.region")

} // namespace

NSRegionComboBoxView::NSRegionComboBoxView(QWidget *parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_StyledBackground, true);
    setUI();
    layoutUI();
}

void NSRegionComboBoxView::setUI() {
    m_comboBoxView = new QComboBox(this);
    m_comboBoxView->setEditable(false);
    m_comboBoxView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_comboBoxView->setFont(MLLook::systemFont(14));
    m_comboBoxView->setFocusPolicy(Qt::NoFocus);
    m_comboBoxView->setStyleSheet(
        QStringLiteral("QComboBox { border: none; background: transparent; padding-left: 6px; }"));
    MLComboBoxPopup::apply(m_comboBoxView);
    // currentIndexChanged comes exactly when the selected row changes, whether the user picked it or code
    // selected it; picking the row already shown reports nothing.
    connect(m_comboBoxView, &QComboBox::currentIndexChanged, this, [this] { comboBoxSelectionDidChange(); });
}

void NSRegionComboBoxView::layoutUI() {
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_comboBoxView);
}

void NSRegionComboBoxView::setDataList(const QList<MLRegionModel> &dataList) {
    m_dataList = dataList;

    QString accountCode;
    if (const auto &account = MLUserManager::sharedManager().currentMineUser())
        accountCode = account->regionCode;
    for (qsizetype i = 0; i < m_dataList.size(); ++i) {
        // An account code that matches nothing keeps the current row: it does not fall back to the default
        // region.
        const bool hit = accountCode.isEmpty() ? m_dataList.at(i).defaultRegion
                                               : m_dataList.at(i).regionCode == accountCode;
        if (hit) {
            m_seletedIndex = int(i);
            break;
        }
    }

    {
        // Refilling the rows moves the combo box's own selection; that is not a pick.
        const QSignalBlocker blocker(m_comboBoxView);
        m_comboBoxView->clear();
        for (const MLRegionModel &region : std::as_const(m_dataList))
            m_comboBoxView->addItem(region.regionExplain);
        m_comboBoxView->setCurrentIndex(-1);
    }
    // Selecting the preselected row reports a change, which equals seletedIndex and so sends nothing.
    if (m_seletedIndex >= 0 && m_seletedIndex < m_dataList.size())
        m_comboBoxView->setCurrentIndex(m_seletedIndex);
}

void NSRegionComboBoxView::comboBoxSelectionDidChange() {
    const int row = m_comboBoxView->currentIndex();
    if (row < 0 || row == m_seletedIndex)
        return;
    m_seletedIndex = row;
    seletedForIndex(row);
}

void NSRegionComboBoxView::seletedForIndex(int index) {
    if (index < 0 || index >= m_dataList.size())
        return;
    const QString regionCode = m_dataList.at(index).regionCode;
    const QString parameters =
        MLEncryptOperation::returnRequestJsonToDic(QJsonObject{{QStringLiteral("regionCode"), regionCode}});
    qCInfo(lcRegion) << "reporting region" << regionCode;
    QPointer<NSRegionComboBoxView> weakSelf(this);
    // The answer belongs to the account, not to this picker: a settings table reloaded meanwhile must not
    // lose (or blank) the region the service has accepted, so the code sent is kept with the request and the
    // request lives as long as the application. Only the toast needs the picker.
    MLNetRequestManager::sharedService().postUrl(
        QStringLiteral("/meInfo/updateRegionCode"), parameters,
        [regionCode](const QJsonObject &) {
            auto &users = MLUserManager::sharedManager();
            if (auto account = users.currentMineUser()) {
                account->setRegionCode(regionCode);
                users.setCurrentMineUser(std::move(account));
            }
        },
        [weakSelf](const QString &message, const QString &code) {
            qCWarning(lcRegion) << "region update failed" << message << code;
            if (weakSelf)
                MLToast::makeToast(weakSelf, message, 1.0);
        },
        QCoreApplication::instance());
}
