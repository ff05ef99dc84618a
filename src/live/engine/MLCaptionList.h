#pragma once

#include "live/engine/MLCaptionLines.h"

#include <QString>

// The caption list of a live session: one entry per subtitle line, in order, always ending with the
// open entry (the sentence being recognised). Readers get the list by value: it is implicitly shared
// (block by block, see MLCaptionLines), so a reader's copy never changes under it and never shrinks
// while it is read, and a change costs the same however long the list is.
class MLCaptionList final {
public:
    // One empty open entry.
    MLCaptionList();

    // Back to one empty open entry (start of a session).
    void reset();

    // Overwrites the open entry (a partial result).
    void replaceOpen(const QString &text);

    // Overwrites the open entry and opens a new empty one behind it (a final result). Returns the index
    // of the entry just closed.
    qsizetype closeOpen(const QString &text);

    // Overwrites the entry at `index`; false, changing nothing, when there is no such entry.
    bool replaceAt(qsizetype index, const QString &text);

    const MLCaptionLines &lines() const { return m_lines; }
    qsizetype count() const { return m_lines.size(); }

    // The session transcript: the entries joined by two line breaks (the open entry included, so a
    // finished last sentence is followed by the separator).
    QString transcript() const;

private:
    MLCaptionLines m_lines;
};
