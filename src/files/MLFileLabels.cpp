#include "files/MLFileLabels.h"

#include "ui/util/MLColorUtils.h"

#include <QApplication>
#include <QLabel>
#include <QTextLayout>

QLabel *MLFileLabels::makeLabel(const QString &text, int pixelSize, const QString &color, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, MLColorUtils::colorWithHexString(color));
    label->setPalette(palette);
    // Inside an item view a label would otherwise draw with the view's text colour.
    label->setForegroundRole(QPalette::WindowText);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

QString MLFileLabels::elidedText(const QLabel *label, const QString &text, int width, int lines) {
    if (width <= 0 || lines <= 0)
        return text;
    QTextLayout layout(text, label->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList shown;
    for (int i = 0;; ++i) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (i == lines - 1) {
            const QString rest = text.mid(line.textStart());
            shown << label->fontMetrics().elidedText(rest, Qt::ElideRight, width);
            break;
        }
        shown << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return shown.join(QLatin1Char('\n'));
}
