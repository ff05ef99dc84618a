#pragma once

class QComboBox;

// The list of the pickers' combo boxes: 5 rows visible at a row height of 20, a vertical scroll bar
// for the rest, and a highlight whose text stays readable (dark text on a light blue row).
namespace MLComboBoxPopup {

inline constexpr int kVisibleRows = 5;
inline constexpr int kRowHeight = 20;

// Gives `comboBox` that list. Call it after setting the combo box's own style sheet: it adds the rule
// that keeps the list a drop-down of kVisibleRows rows in every style (some styles, and a style sheet
// without that rule, list every row at once).
void apply(QComboBox *comboBox);

} // namespace MLComboBoxPopup
