#pragma once

#include "ui/widgets/MLSectionFrame.h"

class MLTariffDescriptionContentView;
class MLTariffDescriptionViewToolBarView;

// The tariff section: one tab, the tariff list. The list is reloaded only by the section's own
// refreshData (each time the main page shows the section), never by the tab's choice; a refresh
// before the first choice makes the list and loads it while the pane is still empty.
class MLTariffDescriptionView final : public MLSectionFrame {
    Q_OBJECT
public:
    explicit MLTariffDescriptionView(QWidget *parent = nullptr);

    MLTariffDescriptionViewToolBarView *toolBar() const;
    // The tariff list, made on first use.
    MLTariffDescriptionContentView *contentView();

private:
    static Options options();
};
