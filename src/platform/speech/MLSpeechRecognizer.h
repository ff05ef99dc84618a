#pragma once

#include "platform/speech/MLRecognizer.h"

// Recognises the configuration's recognition language only (target languages are not used):
// partial results with reason 2, final ones with reason 3.
class MLSpeechRecognizer final : public MLRecognizer {
    Q_OBJECT
public:
    // Listens to `capture` (the shared capture when null).
    explicit MLSpeechRecognizer(const MLSpeechConfig &config, MLAudioCapture *capture = nullptr,
                                QObject *parent = nullptr);
};
