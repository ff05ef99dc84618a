#include "live/ui/MLSubtitleListModel.h"

namespace {

// Lines the engine did not touch still share their data with our previous copy, so most
// comparisons end at the pointer test.
bool sameLine(const QString &a, const QString &b) {
    return (a.size() == b.size() && a.constData() == b.constData()) || a == b;
}

} // namespace

MLSubtitleListModel::MLSubtitleListModel(QObject *parent)
    : QAbstractListModel(parent) {}

int MLSubtitleListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_strList.size());
}

QVariant MLSubtitleListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_strList.size() || role != Qt::DisplayRole)
        return {};
    return m_strList.at(index.row());
}

void MLSubtitleListModel::setListData(const MLCaptionLines &list) {
    const int oldCount = int(m_strList.size());
    const int newCount = int(list.size());

    // Runs of changed rows among the rows both lists have.
    QList<QPair<int, int>> changed;
    const int common = qMin(oldCount, newCount);
    for (int row = 0; row < common; ++row) {
        const qsizetype block = row / MLCaptionLines::kBlockSize;
        if (row % MLCaptionLines::kBlockSize == 0 && block < list.blockCount() &&
            block < m_strList.blockCount() &&
            list.block(block).constData() == m_strList.block(block).constData() &&
            list.block(block).size() == m_strList.block(block).size()) {
            row += int(MLCaptionLines::kBlockSize) - 1;
            continue;
        }
        if (sameLine(m_strList.at(row), list.at(row)))
            continue;
        if (!changed.isEmpty() && changed.last().second == row - 1)
            changed.last().second = row;
        else
            changed.append({row, row});
    }

    if (newCount > oldCount) {
        beginInsertRows(QModelIndex(), oldCount, newCount - 1);
        m_strList = list;
        endInsertRows();
    } else if (newCount < oldCount) {
        beginRemoveRows(QModelIndex(), newCount, oldCount - 1);
        m_strList = list;
        endRemoveRows();
    } else {
        m_strList = list;
    }
    for (const auto &[first, last] : std::as_const(changed))
        Q_EMIT dataChanged(index(first), index(last), {Qt::DisplayRole});
}

void MLSubtitleListModel::reloadData() {
    if (!m_strList.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_strList.size()) - 1), {Qt::DisplayRole});
}
