#pragma once

#include "live/engine/MLCaptionLines.h"

#include <QAbstractListModel>
#include <QStringList>

// The caption list of a live session as an item model: one row per caption line (a recognised
// sentence, or the sentence, "\n" and its translation).
//
// The model keeps its own implicitly shared copy of the list handed over by the engine, so rows are
// only ever read from that copy and never from the engine's list, which the engine may shorten
// between two callbacks. A new list is compared with the previous one and only what differs is
// announced (changed rows, appended or removed rows), which keeps a callback cheap at thousands of
// lines: the engine rewrites the last line, appends one, or (low-price tier) rewrites an earlier one,
// and blocks of lines that still share their storage with the previous list are skipped whole.
class MLSubtitleListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit MLSubtitleListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    void setListData(const MLCaptionLines &list);
    const MLCaptionLines &lines() const { return m_strList; }
    QStringList strList() const { return m_strList.toStringList(); }

    // Every row is announced as changed (the subtitle look changed).
    void reloadData();

private:
    MLCaptionLines m_strList;
};
