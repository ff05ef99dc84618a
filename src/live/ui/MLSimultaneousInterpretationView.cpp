#include "live/ui/MLSimultaneousInterpretationView.h"

#include "live/ui/MLLiveSectionPages.h"
#include "live/ui/MLSimultaneousInterpretationToolBarView.h"

MLSimultaneousInterpretationView::MLSimultaneousInterpretationView(QWidget *parent)
    : MLSectionFrame(new MLSimultaneousInterpretationToolBarView, MLLiveSectionPages::factories(), parent) {}

MLSimultaneousInterpretationToolBarView *MLSimultaneousInterpretationView::toolBar() const {
    return static_cast<MLSimultaneousInterpretationToolBarView *>(leftView());
}
