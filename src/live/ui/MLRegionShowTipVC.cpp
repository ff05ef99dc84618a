#include "live/ui/MLRegionShowTipVC.h"

#include "live/ui/MLRegionShowTipCellView.h"
#include "ui/widgets/MLLook.h"

#include <QFontMetrics>
#include <QVBoxLayout>

namespace {
constexpr int kRootWidth = 400;
constexpr int kRootHeight = 450;
constexpr int kNoteBoxWidth = 300;
constexpr int kNoteBoxHeight = 500;
constexpr int kRowChrome = 50;
} // namespace

MLRegionShowTipVC::MLRegionShowTipVC(QWidget *parent)
    : QWidget(parent) {
    resize(kRootWidth, kRootHeight);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("MLRegionShowTipVC { background: white; }"));
    creatUI();
    layoutUI();
}

void MLRegionShowTipVC::creatUI() {
    m_scrollView = new QScrollArea(this);
    m_scrollView->setFrameShape(QFrame::NoFrame);
    m_scrollView->setWidgetResizable(true);
    m_scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollView->setStyleSheet(
        QStringLiteral("QScrollArea { background: transparent; border-radius: 10px; }"));
    m_tableView = new QWidget;
    m_tableView->setAttribute(Qt::WA_StyledBackground, true);
    m_tableView->setStyleSheet(QStringLiteral("background: transparent;"));
    auto *rows = new QVBoxLayout(m_tableView);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addStretch(1);
    m_scrollView->setWidget(m_tableView);
}

void MLRegionShowTipVC::layoutUI() {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scrollView);
}

void MLRegionShowTipVC::setDataList(const QList<MLRegionModel> &dataList) {
    m_dataList = dataList;
    reloadData();
}

void MLRegionShowTipVC::reloadData() {
    auto *layout = static_cast<QVBoxLayout *>(m_tableView->layout());
    for (auto *row : std::as_const(m_rows)) {
        layout->removeWidget(row);
        row->deleteLater();
    }
    m_rows.clear();
    for (int i = 0; i < numberOfRowsInTableView(); ++i) {
        auto *row = new MLRegionShowTipCellView(m_tableView);
        row->setModel(m_dataList.at(i));
        row->setFixedHeight(heightOfRow(i));
        layout->insertWidget(i, row);
        m_rows.append(row);
    }
}

int MLRegionShowTipVC::heightOfRow(int row) const {
    if (row < 0 || row >= m_dataList.size())
        return 0;
    return getHeightWithContent(m_dataList.at(row).desc);
}

MLRegionShowTipCellView *MLRegionShowTipVC::viewForRow(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : nullptr;
}

int MLRegionShowTipVC::getHeightWithContent(const QString &content) {
    if (content.isEmpty())
        return kRowChrome;
    const QFontMetrics metrics(MLLook::systemFont(12));
    const QRect box(0, 0, kNoteBoxWidth, kNoteBoxHeight);
    const int textHeight =
        metrics.boundingRect(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, content).height();
    return qMin(textHeight, kNoteBoxHeight) + kRowChrome;
}
