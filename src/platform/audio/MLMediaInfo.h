#pragma once

#include <QString>

#include <optional>

// Facts about media files, read with libavformat (loaded on first use, see MLMediaBackend).
class MLMediaInfo final {
public:
    // The playing time of the file's audio (or of the container when it has no audio stream), in
    // seconds. Files without a declared duration, such as a fragmented recording that was cut off,
    // are measured by their packets. Nothing when the file cannot be read as media.
    static std::optional<double> durationSeconds(const QString &path);
};
