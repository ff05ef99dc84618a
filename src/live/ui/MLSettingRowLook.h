#pragma once

#include "ui/util/MLColorUtils.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QString>
#include <QWidget>

// The look shared by the rows of the settings table: titles, separators and the system font.
namespace MLSettingRowLook {

// Left and top inset of a row's title.
inline constexpr int kTitleLeft = 10;
inline constexpr int kTitleTop = 15;

inline QFont systemFont(int pixelSize) {
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    return font;
}

inline QString colorName(const QString &hex) {
    return MLColorUtils::colorWithHexString(hex).name();
}

// A read-only text on a clear background.
inline QLabel *makeLabel(QWidget *parent, int pixelSize, const QString &hex, const QString &text = {}) {
    auto *label = new QLabel(text, parent);
    label->setFont(systemFont(pixelSize));
    label->setStyleSheet(
        QStringLiteral("QLabel { color: %1; background: transparent; }").arg(colorName(hex)));
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

// A row title: 14 points, "#1A1A1A".
inline QLabel *makeTitleLabel(QWidget *parent, const QString &text = {}) {
    return makeLabel(parent, 14, QStringLiteral("#1A1A1A"), text);
}

// A plain coloured view (separators).
inline QWidget *makeLine(QWidget *parent, const QString &hex) {
    auto *line = new QWidget(parent);
    line->setAttribute(Qt::WA_StyledBackground, true);
    line->setStyleSheet(QStringLiteral("background: %1;").arg(colorName(hex)));
    return line;
}

// Places a title at its inset with its natural size.
inline void placeTitle(QLabel *title) {
    title->adjustSize();
    title->move(kTitleLeft, kTitleTop);
}

// A one-point separator along the bottom edge of `row`.
inline void placeBottomLine(QWidget *line, const QWidget *row) {
    line->setGeometry(0, row->height() - 1, row->width(), 1);
}

// The area of a row's own controls: under its title, from the title's left edge to the row's right
// edge and down to its bottom line (both placed already).
inline void placeUnderTitle(QWidget *content, const QLabel *title, const QWidget *line, const QWidget *row) {
    const int left = title->x();
    const int top = title->geometry().bottom() + 1;
    content->setGeometry(left, top, qMax(0, row->width() - left), qMax(0, line->y() - top));
}

} // namespace MLSettingRowLook
