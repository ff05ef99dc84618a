#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Orders texts the way a Chinese reader looks them up: by the initial of their pinyin (Mandarin
// transcribed to Latin letters), A to Z, then a "#" group for texts without such an initial.
class HCSortString final {
public:
    // The upper-case Latin transcription of `text` (Mandarin to pinyin, syllables separated by a
    // space, marks stripped). A leading "长" reads "CHANG". Without the transliteration data the text
    // itself, upper-cased, is the transcription.
    static QString transcribe(const QString &text);

    // The indices of `texts` in sorted order: groups A..Z, then "#" (no A-Z initial, empty text
    // included); within a group by the whole transcription; equal transcriptions keep their order.
    // A text starting with "长" is filed under C.
    static QList<qsizetype> sortedOrder(const QStringList &texts);

    // A new list of the same items ordered by sortedOrder() of their `property` text.
    template <class T> static QList<T> sortForArray(const QList<T> &items, QString T::*property) {
        QStringList texts;
        texts.reserve(items.size());
        for (const T &item : items)
            texts.append(item.*property);
        QList<T> sorted;
        sorted.reserve(items.size());
        for (const qsizetype index : sortedOrder(texts))
            sorted.append(items.at(index));
        return sorted;
    }
};
