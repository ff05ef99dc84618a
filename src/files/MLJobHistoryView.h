#pragma once

#include "core/session/MLMinePageBaseModel.h"
#include "ui/widgets/MLPageView.h"
#include "ui/widgets/MLPagedRows.h"

#include <QPointer>

#include <optional>

class MBProgressHUD;

class QLabel;
class QPushButton;
class QTableWidget;
class NSNotDataView;
class NSPagingView;

// A job history: the signed-in user's jobs at the service, one page of rows at a time, with "刷新",
// the column heads, the rows, the empty state and the pager. The page observes and polls nothing:
// statuses change on screen only when a page is requested again. Every answer is applied when it
// arrives; the rows, the pager and the empty state always show the last successful answer.
class MLJobHistoryView : public MLPageView {
    Q_OBJECT
public:
    // The page the next request asks for; 1 from creation on.
    qint64 currentPageNum() const { return m_currentPageNum; }

    // Requests page 1, without an overlay.
    void refreshData() override;
    // Requests page currentPageNum().
    // Asks for the current page; the answer hides `hud`, the overlay this request showed, if any.
    void networkRequest(const QPointer<MBProgressHUD> &hud = {});
    // "刷新": page 1, with a progress overlay over the page until the answer.
    void refreshClick();

    int numberOfRowsInTableView() const { return listCount(); }
    // The row view at `row`, or null.
    QWidget *rowView(int row) const;

    QWidget *bgView() const { return m_bgView; }
    QWidget *contentView() const { return m_contentView; }
    QPushButton *refreshBtn() const { return m_refreshBtn; }
    QLabel *tipLabel() const { return m_tipLabel; }
    QWidget *headView() const { return m_headView; }
    QTableWidget *tableView() const { return m_tableView; }
    NSNotDataView *notDataView() const { return m_notDataView; }
    NSPagingView *pagingView() const { return m_pagingView; }

protected:
    MLJobHistoryView(const QString &servicePath, const QString &tip, QWidget *headView, QWidget *parent);

    // Replaces the list model with the decrypted answer mapped onto it (absent when it does not map).
    virtual void setDataModelFromJson(const QString &json) = 0;
    virtual std::optional<MLMinePageBaseModel> paging() const = 0;
    virtual int listCount() const = 0;
    // A new row view showing the element at `row`.
    virtual QWidget *makeRowView(int row) = 0;

private:
    void creatUI(const QString &tip, QWidget *headView);
    void layoutUI();
    void bindAction();
    void reloadData();

    QString m_servicePath;
    qint64 m_currentPageNum = 1;
    QWidget *m_bgView = nullptr;
    QWidget *m_contentView = nullptr;
    QPushButton *m_refreshBtn = nullptr;
    QLabel *m_tipLabel = nullptr;
    QWidget *m_headView = nullptr;
    QTableWidget *m_tableView = nullptr;
    NSNotDataView *m_notDataView = nullptr;
    NSPagingView *m_pagingView = nullptr;
};

// A job history over the list model `ListModel` whose rows are `Cell`s (see MLPagedRows).
template <class ListModel, class Cell> class MLJobHistoryListView : public MLJobHistoryView {
public:
    // The last successful answer; absent until one has arrived.
    const std::optional<ListModel> &dataModel() const { return m_rows.answer(); }

protected:
    using MLJobHistoryView::MLJobHistoryView;

    void setDataModelFromJson(const QString &json) override {
        m_rows.setAnswer(ml::json::fromJson<ListModel>(json));
    }
    std::optional<MLMinePageBaseModel> paging() const override { return m_rows.paging(); }
    int listCount() const override { return m_rows.count(); }
    QWidget *makeRowView(int row) override { return m_rows.makeRow(row); }

private:
    MLPagedRows<ListModel, Cell> m_rows;
};
