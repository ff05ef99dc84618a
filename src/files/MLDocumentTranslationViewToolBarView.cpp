#include "files/MLDocumentTranslationViewToolBarView.h"

QList<MLSectionTab> MLDocumentTranslationViewToolBarView::tabs() {
    return {
        {QStringLiteral("upload_doc_ion"), QStringLiteral("上传文档"), true},
        {QStringLiteral("historicalRecord_icon"), QStringLiteral("历史记录"), true},
    };
}

MLDocumentTranslationViewToolBarView::MLDocumentTranslationViewToolBarView(QWidget *parent)
    : MLSectionToolBar(tabs(), FirstChoice::ThroughClickHandler, parent) {
    observe(kHistoricalNotification, 2);
}
