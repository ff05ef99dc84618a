#include "files/MLDocumentTranslationView.h"

#include "files/MLDocumentTranslationHistoryView.h"
#include "files/MLDocumentTranslationSonView.h"
#include "files/MLDocumentTranslationViewToolBarView.h"

MLDocumentTranslationView::MLDocumentTranslationView(QWidget *parent)
    : MLSectionFrame(new MLDocumentTranslationViewToolBarView,
                     {[] { return new MLDocumentTranslationSonView; },
                      [] { return new MLDocumentTranslationHistoryView; }},
                     parent) {}

MLDocumentTranslationViewToolBarView *MLDocumentTranslationView::toolBar() const {
    return static_cast<MLDocumentTranslationViewToolBarView *>(leftView());
}

MLDocumentTranslationSonView *MLDocumentTranslationView::documentTranslationView() {
    return static_cast<MLDocumentTranslationSonView *>(page(1));
}

MLDocumentTranslationHistoryView *MLDocumentTranslationView::documentTranslationHistoryView() {
    return static_cast<MLDocumentTranslationHistoryView *>(page(2));
}
