#pragma once

#include <QString>

// The general pasteboard: the desktop clipboard.
class MLPasteboard final {
public:
    static MLPasteboard &generalPasteboard();

    void clearContents();
    // Replaces the contents with the text; returns false when there is no clipboard to write to.
    bool setString(const QString &text);
    QString string() const;

private:
    MLPasteboard() = default;
};
