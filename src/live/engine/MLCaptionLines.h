#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>

// The lines of a caption list as an implicitly shared value, stored in blocks of kBlockSize lines that
// are shared on their own. A copy costs one reference; changing a line of a shared copy copies only its
// block (and the short list of blocks), not every line, so the engine's change and the page's copy
// cost the same at 5,000 lines as at 100.
class MLCaptionLines final {
public:
    static constexpr qsizetype kBlockSize = 256;

    MLCaptionLines() = default;
    MLCaptionLines(const QStringList &lines); // NOLINT: a caption list is a list of strings
    MLCaptionLines(std::initializer_list<QString> lines);

    qsizetype size() const { return m_size; }
    qsizetype count() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    const QString &at(qsizetype index) const {
        return m_blocks.at(index / kBlockSize).at(index % kBlockSize);
    }
    const QString &first() const { return at(0); }
    const QString &last() const { return at(m_size - 1); }

    void append(const QString &line);
    void replace(qsizetype index, const QString &line);
    void clear();

    // Block `index` (kBlockSize lines, the last one fewer). Two lists whose block has the same storage
    // hold the same lines there.
    qsizetype blockCount() const { return m_blocks.size(); }
    const QStringList &block(qsizetype index) const { return m_blocks.at(index); }

    QStringList toStringList() const;
    QString join(const QString &separator) const { return toStringList().join(separator); }

    friend bool operator==(const MLCaptionLines &a, const MLCaptionLines &b) {
        return a.m_blocks == b.m_blocks;
    }
    friend bool operator!=(const MLCaptionLines &a, const MLCaptionLines &b) { return !(a == b); }

private:
    QList<QStringList> m_blocks;
    qsizetype m_size = 0;
};
