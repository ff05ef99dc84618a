#pragma once

#include "ui/widgets/MLSectionFrame.h"

// The pages of the live section's tabs, in tab order (1 settings, 2 high precision, 3 normal,
// 4 low price, 5 recognition only, 6 history). A tab without a page yet shows an empty pane.
namespace MLLiveSectionPages {
QList<MLSectionFrame::PageFactory> factories();
}
