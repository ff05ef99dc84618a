#pragma once

#include "ui/widgets/MLLook.h"

#include <QLabel>
#include <QString>
#include <QWidget>

// The look shared by the rows of the settings table: titles and where titles and separators go (fonts,
// labels and lines: MLLook).
namespace MLSettingRowLook {

// Left and top inset of a row's title.
inline constexpr int kTitleLeft = 10;
inline constexpr int kTitleTop = 15;

// A row title: 14 points, "#1A1A1A".
inline QLabel *makeTitleLabel(QWidget *parent, const QString &text = {}) {
    return MLLook::makeLabel(parent, 14, QStringLiteral("#1A1A1A"), text);
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
