#pragma once

#include "live/engine/HistoricalRecordModel.h"

#include <QLabel>
#include <QString>
#include <QWidget>

#include <optional>

// One row of the live-session history: the tier and the stop time of a past session, "查看" to show its
// folder in the file manager and "删除" to delete its history row and folder after a confirmation.
class NSSubtitleExportCellView final : public QWidget {
    Q_OBJECT
public:
    explicit NSSubtitleExportCellView(QWidget *parent = nullptr);

    const HistoricalRecordModel &model() const { return m_model; }
    // Keeps the record and shows its tier and stop time.
    void setModel(const HistoricalRecordModel &model);

    QLabel *operationLabel() const { return m_operationLabel; }
    QLabel *timeLabel() const { return m_timeLabel; }
    QLabel *seletedLabel() const { return m_seletedLabel; }
    QLabel *deleteLabel() const { return m_deleteLabel; }
    QWidget *line_bottom() const { return m_line_bottom; }

    // "查看": reveals the session folder, or says it is gone.
    void seletedBtnClick();
    // "删除": asks first; only the first button ("确定") goes on.
    void deleteBtnClick();
    // Deletes the history row and the session folder, then announces the change.
    void deleteOperationClick();

    // The tier's name of a record type.
    static QString operationName(qint64 type);
    // The session folder of a stored path, as an absolute path (not resolved, not checked).
    static QString sessionFolderPath(const QString &storedPath);
    // The session folder that may be removed for a stored path: its canonical path when it exists and lies
    // strictly inside the history folder of user `consumerId` (Documents/historicalRecord/<id>/), nothing
    // otherwise. The stored path is data: "..", absolute paths and symbolic links can point anywhere, so only
    // the resolved location counts.
    static std::optional<QString> removableSessionFolder(const QString &storedPath, qint64 consumerId);

private:
    void setUI();
    void layoutUI();
    void bindAction();

    HistoricalRecordModel m_model;
    QLabel *m_operationLabel = nullptr;
    QLabel *m_timeLabel = nullptr;
    QLabel *m_seletedLabel = nullptr;
    QLabel *m_deleteLabel = nullptr;
    QWidget *m_line_bottom = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
};
