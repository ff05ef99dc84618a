#pragma once

#include "ui/widgets/MLSectionFrame.h"

// The section page of each entry of the main page, in entry order (1 live translation, 2 document
// translation, 3 audio transcription, 4 my account, 5 tariffs, 6 time recharge). An entry whose
// section is not available yet has no factory and shows an empty pane.
namespace MLMainSections {
QList<MLSectionFrame::PageFactory> factories();
}
