#pragma once

#include "live/ui/MLLivePageFrame.h"

class NSTranslationSonView;

// The high-precision page: the two-language control bar with the pair stored for this page. Its
// engine is not part of this product, so its start image does nothing.
class MLHighTranslationView final : public MLLivePageFrame {
    Q_OBJECT
public:
    explicit MLHighTranslationView(QWidget *parent = nullptr);

    NSTranslationSonView *barView() const { return m_barView; }

private:
    void initLanguage();

    NSTranslationSonView *m_barView = nullptr;
};
