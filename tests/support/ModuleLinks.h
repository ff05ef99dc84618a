#pragma once

#include "platform/audio/MLAudioCapture.h"
#include "platform/kit/MLModule.h"
#include "support/MLTestAudio.h"

#include <QDir>
#include <QFile>
#include <QStringList>

namespace ml::test {

// The modules are looked for in `modules`, a folder of links to the built ones, from now on (a test
// takes one away, or points it at another file, before anything has loaded it); the microphone is a
// second of tone written in `wavFolder`, read as fast as it goes. False when a file cannot be made.
inline bool useModuleLinks(const QString &modules, const QString &wavFolder) {
    for (const char *file : {"libml_crypto.so", "libml_media.so", "libml_history.so"}) {
        if (!QFile::link(QDir(MLModule::folder()).filePath(QLatin1String(file)),
                         QDir(modules).filePath(QLatin1String(file))))
            return false;
    }
    MLModule::setFolderForTesting(modules);
    const QString wav = QDir(wavFolder).filePath(QStringLiteral("speech.wav"));
    if (!writeWav(wav, signal({{1.0, 0.5, 330}}, 16000), 16000, 1))
        return false;
    MLAudioCapture::setRealTimePace(false);
    MLAudioCapture::setInputFile(wav);
    return true;
}

} // namespace ml::test
