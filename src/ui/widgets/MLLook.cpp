#include "ui/widgets/MLLook.h"

#include "ui/util/MLColorUtils.h"

#include <QApplication>
#include <QLabel>

namespace MLLook {

QString colorName(const QString &hex) {
    return MLColorUtils::colorWithHexString(hex).name();
}

QFont systemFont(int pixelSize, bool bold) {
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QLabel *makeLabel(QWidget *parent, int pixelSize, const QString &hex, const QString &text, bool bold) {
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(systemFont(pixelSize, bold));
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    setTextColor(label, hex);
    return label;
}

void setTextColor(QLabel *label, const QString &hex) {
    label->setStyleSheet(
        QStringLiteral("QLabel { color: %1; background: transparent; }").arg(colorName(hex)));
}

QWidget *makeLine(QWidget *parent, const QString &hex) {
    auto *line = new QWidget(parent);
    line->setAttribute(Qt::WA_StyledBackground, true);
    line->setStyleSheet(QStringLiteral("background: %1;").arg(colorName(hex)));
    return line;
}

} // namespace MLLook
