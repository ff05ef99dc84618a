#include "app/NSMainLeftToolBarView.h"

#include "platform/kit/ui/MLClickRecognizer.h"
#include "platform/kit/ui/MLImage.h"
#include "ui/util/MLColorUtils.h"

#include <QLabel>

namespace {
constexpr int kMyAccountEntry = 4;
constexpr int kSetMealTopGap = 20;
constexpr int kRowHeight = 30;
constexpr int kRefreshSize = 16;
constexpr int kRowLeft = 25;
constexpr int kRefreshGap = 4;
constexpr int kBalancePixelSize = 14;
constexpr int kSmallestBalancePixelSize = 6;
} // namespace

QList<MLSectionTab> NSMainLeftToolBarView::entries() {
    return {
        {QStringLiteral("simultaneousInterpretation_icon"), QStringLiteral("同声传译"), false},
        {QStringLiteral("documentTranslation_icon"), QStringLiteral("文档翻译"), true},
        {QStringLiteral("audioTranslation_icon"), QStringLiteral("音频转写"), true},
        {QStringLiteral("myAccount_icon"), QStringLiteral("我的账户"), true},
        {QStringLiteral("tariffDescription_icon"), QStringLiteral("资费说明"), true},
        {QStringLiteral("durationCZ_icon"), QStringLiteral("时长充值"), true},
    };
}

NSMainLeftToolBarView::NSMainLeftToolBarView(QWidget *parent)
    : MLSectionToolBar(entries(), FirstChoice::Direct, parent)
    , m_setMealView(new QWidget(this))
    , m_setMealLabel(new QLabel(QStringLiteral("套餐剩余"), m_setMealView))
    , m_balanceLabel(new QLabel(m_setMealView))
    , m_refreshImage(new QLabel(m_setMealView)) {
    QFont small = font();
    small.setPixelSize(12);
    m_setMealLabel->setFont(small);
    m_setMealLabel->setStyleSheet(QStringLiteral("color: #4E4E4E;"));
    m_balanceLabel->setStyleSheet(QStringLiteral("color: #0089FF;"));
    m_refreshImage->setPixmap(
        MLImage::pixmap(QStringLiteral("refreshBalance_icon"), QSize(kRefreshSize, kRefreshSize)));
    m_refreshImage->setCursor(Qt::PointingHandCursor);
    m_setMealView->setCursor(Qt::PointingHandCursor);

    MLClickRecognizer::attach(m_setMealLabel, this, [this] { setMealViewClick(); });
    MLClickRecognizer::attach(m_balanceLabel, this, [this] { setMealViewClick(); });
    MLClickRecognizer::attach(m_refreshImage, this, [this] {
        if (m_didRefreshBlock)
            m_didRefreshBlock();
    });
    layoutUI();
}

void NSMainLeftToolBarView::setBalance(const QString &balanceStr) {
    m_balanceLabel->setText(QStringLiteral("%1点").arg(balanceStr));
    fitBalance();
}

// The whole text always shows: 14 points bold when it fits the label, else the largest smaller size
// that does. Digits are never cut.
void NSMainLeftToolBarView::fitBalance() {
    QFont balanceFont = font();
    balanceFont.setBold(true);
    const int width = m_balanceLabel->contentsRect().width();
    for (int size = kBalancePixelSize; size >= kSmallestBalancePixelSize; --size) {
        balanceFont.setPixelSize(size);
        if (QFontMetrics(balanceFont).horizontalAdvance(m_balanceLabel->text()) <= width)
            break;
    }
    m_balanceLabel->setFont(balanceFont);
}

void NSMainLeftToolBarView::setMealViewClick() {
    if (m_didMyAccountBlock)
        m_didMyAccountBlock();
    highlight(kMyAccountEntry);
}

void NSMainLeftToolBarView::layoutUI() {
    MLSectionToolBar::layoutUI();
    if (!m_setMealView)
        return;
    const int top = kItemTop + static_cast<int>(count()) * kItemHeight + kSetMealTopGap;
    m_setMealView->setGeometry(0, top, width() - 1, 2 * kRowHeight);
    m_setMealLabel->setGeometry(kRowLeft, 0, width() - 2 * kRowLeft, kRowHeight);
    const int refreshLeft = width() - kRowLeft - kRefreshSize;
    // The balance takes all the free width up to the refresh icon.
    m_balanceLabel->setGeometry(kRowLeft, kRowHeight, refreshLeft - kRefreshGap - kRowLeft, kRowHeight);
    m_refreshImage->setGeometry(refreshLeft, kRowHeight + (kRowHeight - kRefreshSize) / 2, kRefreshSize,
                                kRefreshSize);
    fitBalance();
}
