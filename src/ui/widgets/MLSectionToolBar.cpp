#include "ui/widgets/MLSectionToolBar.h"

#include "core/session/MLUserManager.h"
#include "platform/kit/MLDispatch.h"
#include "platform/kit/MLNotificationCenter.h"
#include "platform/kit/MLNotificationNames.h"
#include "platform/kit/ui/MLClickRecognizer.h"
#include "ui/util/MLColorUtils.h"
#include "ui/widgets/MLSimultaneousInterpretationToolBarSonView.h"

namespace {
void setBackground(QWidget *widget, const QColor &color) {
    widget->setAutoFillBackground(color.alpha() > 0);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}
} // namespace

MLSectionToolBar::MLSectionToolBar(const QList<MLSectionTab> &tabs, FirstChoice firstChoice, QWidget *parent)
    : QWidget(parent)
    , m_tabs(tabs) {
    setBackground(this, MLColorUtils::colorWithHexString(QStringLiteral("#f9f9f9")));
    setFixedWidth(kWidth);

    // creatUI: the separator first, then the items in tab order, so the items lie over it.
    m_line = new QWidget(this);
    setBackground(m_line, MLColorUtils::colorWithHexString(QStringLiteral("#e8e8e8")));
    for (qsizetype i = 0; i < m_tabs.size(); ++i) {
        auto *item = new MLSimultaneousInterpretationToolBarSonView(this);
        item->setImageStr(m_tabs[i].imageStr, m_tabs[i].title);
        const qint64 index = i + 1;
        MLClickRecognizer::attach(item, this, [this, index] { clickTab(index); });
        m_items.append(item);
    }
    layoutUI();

    MLDispatch::after(kFirstChoiceDelayMs, this, [this, firstChoice] {
        if (m_items.isEmpty())
            return;
        if (firstChoice == FirstChoice::ThroughClickHandler)
            clickTab(1);
        else
            didClick(m_items.first(), 1);
    });
}

void MLSectionToolBar::clickTab(qint64 index) {
    if (index < 1 || index > m_items.size())
        return;
    if (m_tabs[index - 1].needsUser && !MLUserManager::sharedManager().currentUser()) {
        MLNotificationCenter::defaultCenter().postNotificationName(MLNotificationNames::kUserLogout);
        return;
    }
    didClick(m_items[index - 1], index);
}

void MLSectionToolBar::didClick(MLSimultaneousInterpretationToolBarSonView *item, qint64 index) {
    if (!item || item == m_seletedView)
        return;
    if (m_didIndexBlock)
        m_didIndexBlock(index);
    select(item);
}

void MLSectionToolBar::highlight(qint64 index) {
    if (auto *target = item(index))
        select(target);
}

void MLSectionToolBar::select(MLSimultaneousInterpretationToolBarSonView *item) {
    if (item == m_seletedView)
        return;
    if (m_seletedView) {
        setBackground(m_seletedView, Qt::transparent);
        m_seletedView->setSeleted(false);
    }
    setBackground(item, MLColorUtils::colorWithHexString(QStringLiteral("#d7eaff")));
    item->setSeleted(true);
    m_seletedView = item;
}

void MLSectionToolBar::observe(const QString &notification, qint64 index) {
    MLNotificationCenter::defaultCenter().addObserver(
        this, notification, [this, index](const MLNotification &) { clickTab(index); });
}

MLSimultaneousInterpretationToolBarSonView *MLSectionToolBar::item(qint64 index) const {
    return index >= 1 && index <= m_items.size() ? m_items[index - 1] : nullptr;
}

void MLSectionToolBar::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutUI();
}

void MLSectionToolBar::layoutUI() {
    m_line->setGeometry(width() - 1, 0, 1, height());
    for (qsizetype i = 0; i < m_items.size(); ++i)
        m_items[i]->setGeometry(0, kItemTop + static_cast<int>(i) * kItemHeight, width(), kItemHeight);
}
