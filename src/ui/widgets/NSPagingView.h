#pragma once

#include "core/session/MLMinePageBaseModel.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

// The pager bar under the paged lists: "共%ld条记录", "上一页", "下一页", "第" [page] "共%ld页", "跳转".
class NSPagingView final : public QWidget {
    Q_OBJECT
public:
    explicit NSPagingView(QWidget *parent = nullptr);

    // Shows the model's total, page and page count (0 in all three for no model) and keeps it.
    void setPaging(const std::optional<MLMinePageBaseModel> &paging);
    const std::optional<MLMinePageBaseModel> &paging() const { return m_paging; }

    // Called with the page to show: "上一页" with prePage when there is a previous page, "下一页" with
    // nextPage when there is a next one, "跳转" with the page field read as an integer, unchecked.
    void setSeletedPageBlock(std::function<void(qint64)> block);

    QLabel *totalLabel() const { return m_totalLabel; }
    QPushButton *previousButton() const { return m_previousButton; }
    QPushButton *nextButton() const { return m_nextButton; }
    QLabel *pageLabel() const { return m_pageLabel; }
    QLineEdit *pageField() const { return m_pageField; }
    QLabel *pagesLabel() const { return m_pagesLabel; }
    QPushButton *jumpButton() const { return m_jumpButton; }

    // The leading integer of a text: white space, an optional sign and digits; 0 when there is none,
    // clamped to the 64-bit range.
    static qint64 integerValue(const QString &text);

private:
    void creatUI();
    void layoutUI();
    void bindAction();
    void previousClick();
    void nextClick();
    void jumpClick();

    std::optional<MLMinePageBaseModel> m_paging;
    std::function<void(qint64)> m_seletedPageBlock;
    QLabel *m_totalLabel = nullptr;
    QPushButton *m_previousButton = nullptr;
    QPushButton *m_nextButton = nullptr;
    QLabel *m_pageLabel = nullptr;
    QLineEdit *m_pageField = nullptr;
    QLabel *m_pagesLabel = nullptr;
    QPushButton *m_jumpButton = nullptr;
};
