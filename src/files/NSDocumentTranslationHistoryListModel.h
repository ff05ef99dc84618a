#pragma once

#include "core/session/MLMinePageBaseModel.h"
#include "files/NSDocumentTranslationHistoryModel.h"

// A page of document translation jobs.
struct NSDocumentTranslationHistoryListModel
    : MLPagedListModel<NSDocumentTranslationHistoryListModel, NSDocumentTranslationHistoryModel> {
    static constexpr const char *modelClassName() { return "NSDocumentTranslationHistoryListModel"; }
};
