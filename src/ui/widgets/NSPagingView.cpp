#include "ui/widgets/NSPagingView.h"

#include "platform/kit/ui/MLAnchors.h"
#include "ui/widgets/MLLook.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace {

QPushButton *makeButton(const QString &title, QWidget *parent) {
    auto *button = new QPushButton(title, parent);
    button->setFont(MLLook::systemFont(14));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

NSPagingView::NSPagingView(QWidget *parent)
    : QWidget(parent) {
    creatUI();
    layoutUI();
    bindAction();
    setPaging(std::nullopt);
    m_pageField->setText(QStringLiteral("1"));
}

void NSPagingView::creatUI() {
    m_totalLabel = MLLook::makeLabel(this, 14, QStringLiteral("#4E4E4E"));
    m_previousButton = makeButton(QStringLiteral("上一页"), this);
    m_nextButton = makeButton(QStringLiteral("下一页"), this);
    m_pageLabel = MLLook::makeLabel(this, 14, QStringLiteral("#4E4E4E"), QStringLiteral("第"));
    m_pageField = new QLineEdit(this);
    m_pageField->setFont(MLLook::systemFont(14));
    m_pageField->setAlignment(Qt::AlignCenter);
    m_pagesLabel = MLLook::makeLabel(this, 14, QStringLiteral("#4E4E4E"));
    m_jumpButton = makeButton(QStringLiteral("跳转"), this);
}

void NSPagingView::layoutUI() {
    MLAnchors::make(m_totalLabel, [](MLConstraintMaker &m) {
        m.left().offset(20);
        m.centerY();
    });
    MLAnchors::make(m_jumpButton, [](MLConstraintMaker &m) {
        m.right().offset(-20);
        m.centerY();
        m.size(60, 28);
    });
    MLAnchors::make(m_pagesLabel, [this](MLConstraintMaker &m) {
        m.right().equalTo(m_jumpButton, MLEdge::Left).offset(-10);
        m.centerY();
    });
    MLAnchors::make(m_pageField, [this](MLConstraintMaker &m) {
        m.right().equalTo(m_pagesLabel, MLEdge::Left).offset(-5);
        m.centerY();
        m.size(50, 28);
    });
    MLAnchors::make(m_pageLabel, [this](MLConstraintMaker &m) {
        m.right().equalTo(m_pageField, MLEdge::Left).offset(-5);
        m.centerY();
    });
    MLAnchors::make(m_nextButton, [this](MLConstraintMaker &m) {
        m.right().equalTo(m_pageLabel, MLEdge::Left).offset(-20);
        m.centerY();
        m.size(70, 28);
    });
    MLAnchors::make(m_previousButton, [this](MLConstraintMaker &m) {
        m.right().equalTo(m_nextButton, MLEdge::Left).offset(-10);
        m.centerY();
        m.size(70, 28);
    });
}

void NSPagingView::bindAction() {
    connect(m_previousButton, &QPushButton::clicked, this, [this] { previousClick(); });
    connect(m_nextButton, &QPushButton::clicked, this, [this] { nextClick(); });
    connect(m_jumpButton, &QPushButton::clicked, this, [this] { jumpClick(); });
}

void NSPagingView::setPaging(const std::optional<MLMinePageBaseModel> &paging) {
    m_paging = paging;
    const qint64 total = paging ? paging->total : 0;
    const qint64 pageNum = paging ? paging->pageNum : 0;
    const qint64 pages = paging ? paging->pages : 0;
    m_totalLabel->setText(QStringLiteral("共%1条记录").arg(total));
    m_pageField->setText(QString::number(pageNum));
    m_pagesLabel->setText(QStringLiteral("共%1页").arg(pages));
    MLAnchors::layoutIfNeeded(this);
}

void NSPagingView::setSeletedPageBlock(std::function<void(qint64)> block) {
    m_seletedPageBlock = std::move(block);
}

void NSPagingView::previousClick() {
    if (m_seletedPageBlock && m_paging && m_paging->hasPreviousPage)
        m_seletedPageBlock(m_paging->prePage);
}

void NSPagingView::nextClick() {
    if (m_seletedPageBlock && m_paging && m_paging->hasNextPage)
        m_seletedPageBlock(m_paging->nextPage);
}

void NSPagingView::jumpClick() {
    if (m_seletedPageBlock)
        m_seletedPageBlock(integerValue(m_pageField->text()));
}

qint64 NSPagingView::integerValue(const QString &text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    // Accumulate as a negative number so that the most negative value fits too.
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    bool clamped = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        const int digit = c.unicode() - '0';
        if (value < (lowest + digit) / 10) {
            clamped = true;
            value = lowest;
            break;
        }
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    if (clamped || value == lowest)
        return std::numeric_limits<qint64>::max();
    return -value;
}
