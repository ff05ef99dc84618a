#include "platform/speech/MLTranslationRecognizer.h"

MLTranslationRecognizer::MLTranslationRecognizer(const MLSpeechConfig &config, MLAudioCapture *capture,
                                                 QObject *parent)
    : MLRecognizer(config, true, capture, parent) {}
