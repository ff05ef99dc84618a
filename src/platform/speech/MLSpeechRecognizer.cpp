#include "platform/speech/MLSpeechRecognizer.h"

MLSpeechRecognizer::MLSpeechRecognizer(const MLSpeechConfig &config, MLAudioCapture *capture, QObject *parent)
    : MLRecognizer(config, false, capture, parent) {}
