#pragma once

#include "files/MLJobHistoryHeadView.h"

// The column heads of the document jobs, with "文档费用".
class NSDocumentTranslationHistoryHeadView final : public MLJobHistoryHeadView {
    Q_OBJECT
public:
    explicit NSDocumentTranslationHistoryHeadView(QWidget *parent = nullptr)
        : MLJobHistoryHeadView(QStringLiteral("文档费用"), parent) {}
};
