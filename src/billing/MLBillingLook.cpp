#include "billing/MLBillingLook.h"

#include "ui/util/MLColorUtils.h"
#include "ui/widgets/MLAppHost.h"
#include "ui/widgets/MLRoundedPanelView.h"
#include "ui/widgets/MLToast.h"

#include <QScrollArea>

namespace MLBillingLook {

QColor color(const QString &hex) {
    return MLColorUtils::colorWithHexString(hex);
}

QScrollArea *makeScrollView(QWidget *parent, QWidget *tableView) {
    auto *scrollView = new QScrollArea(parent);
    scrollView->setFrameShape(QFrame::NoFrame);
    scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollView->setWidgetResizable(true);
    scrollView->setAutoFillBackground(false);
    scrollView->viewport()->setAutoFillBackground(false);
    scrollView->setWidget(tableView);
    tableView->setAutoFillBackground(false);
    MLRoundedPanelView::clipToRoundedRect(scrollView, kListCornerRadius);
    return scrollView;
}

QWidget *contentView() {
    MLAppHost *delegate = MLAppHost::shared();
    return delegate ? delegate->contentView() : nullptr;
}

void showFailure(const QString &message) {
    MLToast::makeToast(contentView(), message, 1.0);
}

QString escaped(const QString &text) {
    return text.toHtmlEscaped();
}

} // namespace MLBillingLook
