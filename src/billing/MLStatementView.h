#pragma once

#include "core/model/MLJsonModel.h"
#include "core/session/MLMinePageBaseModel.h"
#include "ui/widgets/MLPageView.h"
#include "ui/widgets/MLPagedRows.h"

#include <optional>

class MLBillingTableView;
class MLRoundedPanelView;
class NSNotDataView;
class NSPagingView;
class QScrollArea;

// What the two statements (top-ups and consumption) share: one page of the statement at a time in a
// card, the pager under it and the empty view over the card when the page has no rows. The page asked
// for is kept across refreshes and changes only through the pager.
class MLStatementView : public MLPageView {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 64;

    // Asks again for the page last asked for.
    void refreshData() override { networkRequest(); }
    // Asks for page `currentPageNum` (only "pageNum" is sent; the service sizes the pages).
    void networkRequest();

    qint64 currentPageNum() const { return m_currentPageNum; }
    QString requestPath() const { return m_requestPath; }

    MLRoundedPanelView *bgView() const { return m_bgView; }
    QScrollArea *scrollView() const { return m_scrollView; }
    MLBillingTableView *tableView() const { return m_tableView; }
    NSPagingView *pagingView() const { return m_pagingView; }
    NSNotDataView *notDataView() const { return m_notDataView; }

protected:
    MLStatementView(const QString &requestPath, QWidget *parent);

    // Takes the decrypted "dt" of an answer as the page's data; false when it is not such an answer.
    virtual bool takeAnswer(const QString &json) = 0;
    virtual std::optional<MLMinePageBaseModel> paging() const = 0;
    virtual int rowCount() const = 0;
    virtual QWidget *viewForRow(int row) const = 0;

private:
    void creatUI();
    void layoutUI();

    QString m_requestPath;
    qint64 m_currentPageNum = 1;
    MLRoundedPanelView *m_bgView = nullptr;
    QScrollArea *m_scrollView = nullptr;
    MLBillingTableView *m_tableView = nullptr;
    NSPagingView *m_pagingView = nullptr;
    NSNotDataView *m_notDataView = nullptr;
};

// One statement: its answer class `Answer` and its row view class `Cell` (see MLPagedRows); the
// statements name these and their path.
template <class Answer, class Cell> class MLStatementPage : public MLStatementView {
public:
    // The last answer taken; nothing until the first.
    const std::optional<Answer> &dataModel() const { return m_rows.answer(); }

protected:
    using MLStatementView::MLStatementView;

    bool takeAnswer(const QString &json) override {
        std::optional<Answer> answer = ml::json::fromJson<Answer>(json);
        if (!answer)
            return false;
        m_rows.setAnswer(std::move(answer));
        return true;
    }
    std::optional<MLMinePageBaseModel> paging() const override { return m_rows.paging(); }
    int rowCount() const override { return m_rows.count(); }
    QWidget *viewForRow(int row) const override { return m_rows.makeRow(row); }

private:
    MLPagedRows<Answer, Cell> m_rows;
};
