#pragma once

#include "ui/widgets/MLSectionFrame.h"

class MLSimultaneousInterpretationToolBarView;

// The live section: its tab bar and, on the right, the settings page, the four tier pages and the
// history of live sessions, each made the first time its tab is chosen and kept.
class MLSimultaneousInterpretationView final : public MLSectionFrame {
    Q_OBJECT
public:
    explicit MLSimultaneousInterpretationView(QWidget *parent = nullptr);

    MLSimultaneousInterpretationToolBarView *toolBar() const;
};
