#include "live/ui/NSTranslationComboBoxView.h"

#include "core/net/MLEncryptOperation.h"
#include "core/net/MLLoginNetService.h"
#include "core/session/MLKeyedArchive.h"
#include "platform/kit/MLUserDefaults.h"
#include "ui/util/HCSortString.h"
#include "ui/widgets/MLComboBoxPopup.h"

#include <QComboBox>
#include <QGridLayout>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>

namespace {
Q_LOGGING_CATEGORY(lcPicker, "ml.live.ui.picker")
}

NSTranslationComboBoxView::NSTranslationComboBoxView(QWidget *parent)
    : QWidget(parent) {
    // setUI
    m_comboBoxView = new QComboBox(this);
    m_comboBoxView->setEditable(false);
    m_comboBoxView->setFocusPolicy(Qt::NoFocus);
    MLComboBoxPopup::apply(m_comboBoxView);

    m_comboBoxBtn = new QPushButton(this);
    m_comboBoxBtn->setFlat(true);
    m_comboBoxBtn->setFocusPolicy(Qt::NoFocus);
    m_comboBoxBtn->setStyleSheet(
        QStringLiteral("QPushButton { background: transparent; border: none; border-radius: 8px; }"));
    m_comboBoxBtn->hide();
    // Styled now, not when the first session locks the picker.
    m_comboBoxBtn->ensurePolished();
    connect(m_comboBoxBtn, &QPushButton::clicked, this, [this] { btnClick(); });

    // layoutUI: both fill the picker; the button, added last, lies above the combo box.
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_comboBoxView, 0, 0);
    layout->addWidget(m_comboBoxBtn, 0, 0);

    // Reports a change of the selected row only: QComboBox signals currentIndexChanged for a pick
    // by the user and for setCurrentIndex alike, and not when the row stays the same. Rows are
    // filled with signals blocked (QComboBox selects the first row of a filled list by itself).
    connect(m_comboBoxView, &QComboBox::currentIndexChanged, this,
            [this](int row) { comboBoxSelectionDidChange(row); });
}

MLMineLanguageListModel NSTranslationComboBoxView::storedLanguage(const QString &key) {
    const QByteArray data = MLUserDefaults::standardUserDefaults().dataForKey(key);
    if (data.isEmpty())
        return {};
    return MLKeyedArchive::unarchivedObjectOfClass<MLMineLanguageListModel>(data).value_or(
        MLMineLanguageListModel{});
}

QString NSTranslationComboBoxView::storageKey() const {
    return m_languageKey + (m_isSourceLanguage ? QStringLiteral("Left") : QStringLiteral("Right"));
}

void NSTranslationComboBoxView::setLanguageType(int type) {
    m_languageType = type;
    requestNetwork();
}

void NSTranslationComboBoxView::requestNetwork() {
    QJsonObject params;
    params[QStringLiteral("languageType")] = m_languageType;
    QPointer<NSTranslationComboBoxView> weakSelf(this);
    MLLoginNetService::shareService().ml_requireTransLangueGetLanguageListUrl(
        QStringLiteral("/transLangue/getLanguageList"), MLEncryptOperation::returnRequestJsonToDic(params),
        [weakSelf](const QList<MLMineLanguageListModel> &list) {
            if (weakSelf)
                weakSelf->languageListArrived(list);
        },
        [type = m_languageType](const QString &message, const QString &code) {
            qCInfo(lcPicker) << "language list" << type << "not loaded:" << message << code;
        },
        this);
}

void NSTranslationComboBoxView::languageListArrived(const QList<MLMineLanguageListModel> &list) {
    if (list.isEmpty())
        return;
    m_dataSource = HCSortString::sortForArray(list, &MLMineLanguageListModel::languageName);
    {
        const QSignalBlocker blocker(m_comboBoxView);
        m_comboBoxView->clear();
        for (const MLMineLanguageListModel &entry : std::as_const(m_dataSource))
            m_comboBoxView->addItem(entry.languageName);
        // No row is chosen until the choice below, which therefore always reports.
        m_comboBoxView->setCurrentIndex(-1);
    }
    m_seletedIndex = 0;
    matchItemLanguage();
    m_comboBoxView->setCurrentIndex(m_seletedIndex);
}

void NSTranslationComboBoxView::matchItemLanguage() {
    const MLMineLanguageListModel &item = m_itemLanguage;
    if (item.languageCode.isEmpty() && item.languageInitial.isEmpty() && item.languageName.isEmpty())
        return;
    for (int row = 0; row < m_dataSource.size(); ++row) {
        const MLMineLanguageListModel &entry = m_dataSource.at(row);
        if (entry.languageCode == item.languageCode && entry.languageName == item.languageName) {
            m_seletedIndex = row;
            return;
        }
    }
}

void NSTranslationComboBoxView::comboBoxSelectionDidChange(int row) {
    if (row < 0 || row >= m_dataSource.size())
        return;
    m_seletedIndex = row;
    m_itemLanguage = m_dataSource.at(row);
    if (m_seletedLanguageBlock)
        m_seletedLanguageBlock(m_itemLanguage);
    saveItemLanguage();
}

void NSTranslationComboBoxView::saveItemLanguage() const {
    MLUserDefaults &defaults = MLUserDefaults::standardUserDefaults();
    defaults.setData(MLKeyedArchive::archivedData(m_itemLanguage), storageKey());
    defaults.synchronize();
}

void NSTranslationComboBoxView::changeLanguage() {
    m_seletedIndex = 0;
    matchItemLanguage();
    // When the row shown stays, the entry still becomes that row's entry: otherwise a swap to a pair
    // the list does not offer would leave the page starting with a code the picker does not show.
    if (m_seletedIndex < m_dataSource.size() && m_comboBoxView->currentIndex() == m_seletedIndex)
        m_itemLanguage = m_dataSource.at(m_seletedIndex);
    saveItemLanguage();
    // Reports the selection (and stores again) only when the row changes.
    m_comboBoxView->setCurrentIndex(m_seletedIndex);
}
