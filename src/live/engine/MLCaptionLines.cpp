#include "live/engine/MLCaptionLines.h"

MLCaptionLines::MLCaptionLines(const QStringList &lines) {
    for (const QString &line : lines)
        append(line);
}

MLCaptionLines::MLCaptionLines(std::initializer_list<QString> lines) {
    for (const QString &line : lines)
        append(line);
}

void MLCaptionLines::append(const QString &line) {
    if (m_size % kBlockSize == 0) {
        QStringList block;
        block.reserve(kBlockSize);
        m_blocks.append(block);
    }
    m_blocks.last().append(line);
    ++m_size;
}

void MLCaptionLines::replace(qsizetype index, const QString &line) {
    m_blocks[index / kBlockSize][index % kBlockSize] = line;
}

void MLCaptionLines::clear() {
    m_blocks.clear();
    m_size = 0;
}

QStringList MLCaptionLines::toStringList() const {
    QStringList lines;
    lines.reserve(m_size);
    for (const QStringList &block : m_blocks)
        lines.append(block);
    return lines;
}
