#include "files/MLAudioTranslationView.h"

#include "files/MLAudioTranslationHistoryView.h"
#include "files/MLAudioTranslationSonView.h"
#include "files/MLAudioTranslationViewaToolBarView.h"

MLAudioTranslationView::MLAudioTranslationView(QWidget *parent)
    : MLSectionFrame(
          new MLAudioTranslationViewaToolBarView,
          {[] { return new MLAudioTranslationSonView; }, [] { return new MLAudioTranslationHistoryView; }},
          parent) {}

MLAudioTranslationViewaToolBarView *MLAudioTranslationView::toolBar() const {
    return static_cast<MLAudioTranslationViewaToolBarView *>(leftView());
}

MLAudioTranslationSonView *MLAudioTranslationView::audioTranslationSonView() {
    return static_cast<MLAudioTranslationSonView *>(page(1));
}

MLAudioTranslationHistoryView *MLAudioTranslationView::audioTranslationHistoryView() {
    return static_cast<MLAudioTranslationHistoryView *>(page(2));
}
