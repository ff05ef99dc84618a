#pragma once

#include "core/session/MLMinePageBaseModel.h"

#include <QWidget>

#include <optional>

// What a paged list page keeps of its last answer: the answer of class `Answer` (a paged list answer
// whose `list` holds the rows), its paging fields for the pager, and the row views of class `Cell`
// (made with no arguments and filled by `setModel` with one element of `list`). The statements and
// the job histories show their pages through it.
template <class Answer, class Cell> class MLPagedRows {
public:
    const std::optional<Answer> &answer() const { return m_answer; }
    void setAnswer(std::optional<Answer> answer) { m_answer = std::move(answer); }

    // Nothing before the first answer.
    std::optional<MLMinePageBaseModel> paging() const {
        if (!m_answer)
            return std::nullopt;
        return static_cast<const MLMinePageBaseModel &>(*m_answer);
    }
    int count() const { return m_answer ? int(m_answer->list.size()) : 0; }
    // A new row view showing the element at `row`.
    QWidget *makeRow(int row) const {
        auto *cell = new Cell;
        cell->setModel(m_answer->list.value(row));
        return cell;
    }

private:
    std::optional<Answer> m_answer;
};
