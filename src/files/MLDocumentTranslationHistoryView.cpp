#include "files/MLDocumentTranslationHistoryView.h"

#include "files/NSDocumentTranslationHistoryHeadView.h"

MLDocumentTranslationHistoryView::MLDocumentTranslationHistoryView(QWidget *parent)
    : MLJobHistoryListView(QStringLiteral("/documentTranslate/getTranslateList"),
                           QStringLiteral("手动点击刷新，可查看最新文档翻译状态--->"),
                           new NSDocumentTranslationHistoryHeadView, parent) {}
