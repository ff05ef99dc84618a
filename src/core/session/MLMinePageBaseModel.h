#pragma once

#include "core/model/MLJsonModel.h"

// The paging fields shared by every paged list answer. A paged answer is a model that holds these
// fields and adds its own `list`; see MLPagedListModel below.
struct MLMinePageBaseModel {
    qint64 pageNum = 0;
    qint64 pageSize = 0;
    qint64 size = 0;
    qint64 startRow = 0;
    qint64 endRow = 0;
    qint64 total = 0;
    qint64 pages = 0;
    qint64 prePage = 0;
    qint64 nextPage = 0;
    qint64 navigatePages = 0;
    qint64 navigateFirstPage = 0;
    qint64 navigateLastPage = 0;
    bool isFirstPage = false;
    bool isLastPage = false;
    bool hasPreviousPage = false;
    bool hasNextPage = false;

    ML_MODEL(MLMinePageBaseModel, ML_FIELD(pageNum), ML_FIELD(pageSize), ML_FIELD(size), ML_FIELD(startRow),
             ML_FIELD(endRow), ML_FIELD(total), ML_FIELD(pages), ML_FIELD(prePage), ML_FIELD(nextPage),
             ML_FIELD(navigatePages), ML_FIELD(navigateFirstPage), ML_FIELD(navigateLastPage),
             ML_FIELD(isFirstPage), ML_FIELD(isLastPage), ML_FIELD(hasPreviousPage), ML_FIELD(hasNextPage))
};

// A paged list answer: the paging fields plus `list` of element model E. Declare one as
//     struct MLRechargeDetailList : MLPagedListModel<MLRechargeDetailList, MLRechargeDetailModel> {
//         static constexpr const char *modelClassName() { return "MLRechargeDetailList"; }
//     };
template <class Self, class E> struct MLPagedListModel : MLMinePageBaseModel {
    QList<E> list;

    static auto modelFields() {
        // Members of the base apply to the derived answer as they are.
        return std::tuple_cat(MLMinePageBaseModel::modelFields(),
                              std::make_tuple(ml::json::field("list", &MLPagedListModel::list)));
    }
};
