#include "live/engine/MLCaptionList.h"

MLCaptionList::MLCaptionList()
    : m_lines{QString()} {}

void MLCaptionList::reset() {
    m_lines = MLCaptionLines{QString()};
}

void MLCaptionList::replaceOpen(const QString &text) {
    m_lines.replace(m_lines.size() - 1, text);
}

qsizetype MLCaptionList::closeOpen(const QString &text) {
    const qsizetype closed = m_lines.size() - 1;
    m_lines.replace(closed, text);
    m_lines.append(QString());
    return closed;
}

bool MLCaptionList::replaceAt(qsizetype index, const QString &text) {
    if (index < 0 || index >= m_lines.size())
        return false;
    m_lines.replace(index, text);
    return true;
}

QString MLCaptionList::transcript() const {
    return m_lines.join(QStringLiteral("\n\n"));
}
