#include "files/MLDocumentTranslationViewToolBarView.h"

#include "platform/kit/MLNotificationNames.h"

QList<MLSectionTab> MLDocumentTranslationViewToolBarView::tabs() {
    return {
        {QStringLiteral("upload_doc_ion"), QStringLiteral("上传文档"), true},
        {QStringLiteral("historicalRecord_icon"), QStringLiteral("历史记录"), true},
    };
}

MLDocumentTranslationViewToolBarView::MLDocumentTranslationViewToolBarView(QWidget *parent)
    : MLSectionToolBar(tabs(), FirstChoice::ThroughClickHandler, parent) {
    observe(MLNotificationNames::kDocumentHistorical, 2);
}
