#pragma once

#include "live/ui/MLLiveBarView.h"

// The control bar of the recognition-only page: one source picker, the elapsed time and the
// settings icon.
class NSTranslationIdentifySonView final : public MLLiveBarView {
    Q_OBJECT
public:
    explicit NSTranslationIdentifySonView(QWidget *parent = nullptr);
};
