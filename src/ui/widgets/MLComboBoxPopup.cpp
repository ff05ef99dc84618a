#include "ui/widgets/MLComboBoxPopup.h"

#include <QComboBox>
#include <QListView>
#include <QStyledItemDelegate>

namespace {

// Every row exactly kRowHeight high, whatever the font's line height.
class RowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), MLComboBoxPopup::kRowHeight};
    }
};

} // namespace

void MLComboBoxPopup::apply(QComboBox *comboBox) {
    auto *view = new QListView(comboBox);
    view->setUniformItemSizes(true);
    view->setSpacing(0);
    view->setItemDelegate(new RowDelegate(view));
    // A style sheet on the view (not the palette, which a style sheet above it would override) keeps
    // the highlighted row readable.
    view->setStyleSheet(QStringLiteral("QListView { background: white; color: #1A1A1A; outline: none; }"
                                       " QListView::item:selected { background: #D7EAFF; color: #1A1A1A; }"));
    comboBox->setStyleSheet(comboBox->styleSheet() + QStringLiteral(" QComboBox { combobox-popup: 0; }"));
    comboBox->setMaxVisibleItems(kVisibleRows);
    comboBox->setView(view);
    // Set after the view is taken over, which sets its scroll bars from the style.
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}
