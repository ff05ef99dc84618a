#pragma once

#include "core/session/MLMinePageBaseModel.h"
#include "files/NSAudioTranslationHistoryModel.h"

// A page of audio transcription jobs.
struct NSAudioTranslationHistoryListModel
    : MLPagedListModel<NSAudioTranslationHistoryListModel, NSAudioTranslationHistoryModel> {
    static constexpr const char *modelClassName() { return "NSAudioTranslationHistoryListModel"; }
};
