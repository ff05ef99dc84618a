#include "live/ui/NSTranslationSetupFontCellView.h"

#include "live/ui/MLSettingRowLook.h"
#include "live/ui/MLSubtitleLookKeys.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/MLUserDefaults.h"
#include "ui/widgets/MLLook.h"

namespace {
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 35;
constexpr int kButtonGap = 30;
const char *const kTagProperty = "tag";
} // namespace

NSTranslationSetupFontCellView::NSTranslationSetupFontCellView(QWidget *parent)
    : QWidget(parent) {
    creatUI();
    layoutUI();
    bindAction();
}

void NSTranslationSetupFontCellView::creatUI() {
    m_titleLabel = MLSettingRowLook::makeTitleLabel(this, QStringLiteral("字体大小"));
    m_contentRadioView = new QWidget(this);
    m_line = MLLook::makeLine(this, QStringLiteral("#efefef"));
}

void NSTranslationSetupFontCellView::layoutUI() {
    MLSettingRowLook::placeTitle(m_titleLabel);
    MLSettingRowLook::placeBottomLine(m_line, this);
    MLSettingRowLook::placeUnderTitle(m_contentRadioView, m_titleLabel, m_line, this);
    int x = 0;
    for (auto *button : std::as_const(m_seletedBtnList)) {
        button->setGeometry(x, (m_contentRadioView->height() - kButtonHeight) / 2, kButtonWidth,
                            kButtonHeight);
        x += kButtonWidth + kButtonGap;
    }
}

void NSTranslationSetupFontCellView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutUI();
}

void NSTranslationSetupFontCellView::bindAction() {
    setDataList({QStringLiteral("小"), QStringLiteral("中"), QStringLiteral("大")});
}

void NSTranslationSetupFontCellView::setDataList(const QStringList &dataList) {
    m_dataList = dataList;
    for (qsizetype i = 0; i < m_dataList.size(); ++i) {
        auto *button = new QPushButton(m_dataList.at(i), m_contentRadioView);
        button->setProperty(kTagProperty, int(i));
        button->setFont(MLLook::systemFont(14));
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        setButtonChosen(button, false);
        connect(button, &QPushButton::clicked, this, [this, button] { updateButtonStatus(button); });
        m_seletedBtnList.append(button);
    }
    layoutUI();
    if (!m_dataList.isEmpty())
        defaultSelectionButton();
}

void NSTranslationSetupFontCellView::defaultSelectionButton() {
    const QString stored =
        MLUserDefaults::standardUserDefaults().stringForKey(MLSubtitleLookKeys::kFontSizeKey);
    const qsizetype index = qMax<qsizetype>(0, m_dataList.indexOf(stored));
    if (index < m_seletedBtnList.size())
        updateButtonStatus(m_seletedBtnList.at(index));
}

void NSTranslationSetupFontCellView::updateButtonStatus(QPushButton *button) {
    if (!button || button == m_seletedBtn)
        return;
    const int tag = button->property(kTagProperty).toInt();
    if (tag < 0 || tag >= m_dataList.size())
        return;
    if (m_seletedBtn)
        setButtonChosen(m_seletedBtn, false);
    setButtonChosen(button, true);
    m_seletedBtn = button;
    MLSubtitleLookKeys::write(MLSubtitleLookKeys::kFontSizeKey, m_dataList.at(tag),
                              MLNotificationNames::kChangeFontSize);
}

void NSTranslationSetupFontCellView::setButtonChosen(QPushButton *button, bool chosen) {
    // The look is the same pressed or not: the buttons have no press highlight.
    const QString style =
        chosen ? QStringLiteral("QPushButton, QPushButton:pressed { color: %1; background: %2; border: none;"
                                " border-radius: 5px; }")
                     .arg(MLLook::colorName(QStringLiteral("#2590ff")),
                          MLLook::colorName(QStringLiteral("#d5ebff")))
               : QStringLiteral("QPushButton, QPushButton:pressed { color: %1; background: transparent;"
                                " border: 1px solid %2; border-radius: 5px; }")
                     .arg(MLLook::colorName(QStringLiteral("#1D1D1D")),
                          MLLook::colorName(QStringLiteral("#c3c3c3")));
    button->setStyleSheet(style);
}
