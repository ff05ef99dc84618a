#pragma once

#include "platform/audio/MLMediaBackend.h"

// The media module's microphone input (see MLMediaBackend::openAudioInput and AudioInputs).
namespace ml::media {

std::unique_ptr<MLMediaBackend::AudioInput> openDeviceInput(const void *device, int preferredRate,
                                                            std::function<void()> onError, bool &noDevice,
                                                            QString &error);

// The system's inputs through Qt Multimedia.
MLMediaBackend::AudioInputs &systemInputs();

} // namespace ml::media
