#pragma once

#include "live/ui/MLLivePageFrame.h"

class NSTranslationIdentifySonView;

// The recognition-only page: the one-language control bar with the source language stored for this
// page. Its engine is not part of this product, so its start image does nothing.
class MLTSRecognizeView final : public MLLivePageFrame {
    Q_OBJECT
public:
    explicit MLTSRecognizeView(QWidget *parent = nullptr);

    NSTranslationIdentifySonView *barView() const { return m_barView; }

private:
    void initLanguage();

    NSTranslationIdentifySonView *m_barView = nullptr;
};
