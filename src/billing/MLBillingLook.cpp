#include "billing/MLBillingLook.h"

#include "ui/util/MLColorUtils.h"
#include "ui/widgets/MLAppHost.h"
#include "ui/widgets/MLRoundedPanelView.h"
#include "ui/widgets/MLToast.h"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>

namespace MLBillingLook {

QFont systemFont(int pixelSize, bool bold) {
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QColor color(const QString &hex) {
    return MLColorUtils::colorWithHexString(hex);
}

QLabel *makeLabel(QWidget *parent, int pixelSize, const QString &hex, const QString &text, bool bold) {
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(systemFont(pixelSize, bold));
    label->setAutoFillBackground(false);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    setTextColor(label, hex);
    return label;
}

void setTextColor(QLabel *label, const QString &hex) {
    // A style sheet colours rich text as well as plain text.
    label->setStyleSheet(
        QStringLiteral("QLabel { color: %1; background: transparent; }").arg(color(hex).name()));
}

QWidget *makeLine(QWidget *parent, const QString &hex) {
    auto *line = new QWidget(parent);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, color(hex));
    line->setPalette(palette);
    return line;
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
