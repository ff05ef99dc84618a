#include "live/engine/MLCaptionList.h"

MLCaptionList::MLCaptionList()
    : m_lines{QString()} {}

void MLCaptionList::reset() {
    m_lines = QStringList{QString()};
}

void MLCaptionList::replaceOpen(const QString &text) {
    m_lines.last() = text;
}

qsizetype MLCaptionList::closeOpen(const QString &text) {
    const qsizetype closed = m_lines.size() - 1;
    m_lines.last() = text;
    m_lines.append(QString());
    return closed;
}

bool MLCaptionList::replaceAt(qsizetype index, const QString &text) {
    if (index < 0 || index >= m_lines.size())
        return false;
    m_lines[index] = text;
    return true;
}

QString MLCaptionList::transcript() const {
    return m_lines.join(QStringLiteral("\n\n"));
}
