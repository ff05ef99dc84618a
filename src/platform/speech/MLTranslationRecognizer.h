#pragma once

#include "platform/speech/MLRecognizer.h"

// Recognises the configuration's recognition language and translates every sentence into its
// target languages: partial results with reason 6, final ones with reason 7 and the translations
// under the target codes.
class MLTranslationRecognizer final : public MLRecognizer {
    Q_OBJECT
public:
    // Listens to `capture` (the shared capture when null).
    explicit MLTranslationRecognizer(const MLSpeechConfig &config, MLAudioCapture *capture = nullptr,
                                     QObject *parent = nullptr);
};
