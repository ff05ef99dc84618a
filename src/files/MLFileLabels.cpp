#include "files/MLFileLabels.h"

#include <QLabel>
#include <QTextLayout>

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
