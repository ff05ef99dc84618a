#pragma once

#include "billing/MLGetMeSetmealDtOrgModel.h"
#include "ui/widgets/MLPageView.h"

#include <optional>

class MLBillingTableView;
class MLRoundedPanelView;
class MLWebImageView;
class NSNotDataView;
class QLabel;
class QPushButton;
class QScrollArea;

// The personal centre ("个人中心"): the account header (avatar, nickname, account number with a copy
// link) and "退出登录" on top, the cards of the owned packages below. The header shows what the session
// store held when the page was made. Each refresh reloads the owned packages and asks the main page to
// fetch the balance again (MLNotificationNames::kIndividualCenter).
class MLIndividualCenterView final : public MLPageView {
    Q_OBJECT
public:
    static constexpr int kPageSize = 100;

    explicit MLIndividualCenterView(QWidget *parent = nullptr);

    void refreshData() override;
    void networkRequest();
    // Copies the bare account number to the pasteboard and says "复制成功"; nothing without one.
    void copyClick();
    // Asks "确定退出登录？"; "确定" drops the stored session and returns to the sign-in page.
    void loginOutClick();

    const std::optional<MLGetMeSetmealDtOrgModel> &orgModel() const { return m_orgModel; }

    MLRoundedPanelView *topView() const { return m_topView; }
    MLWebImageView *iconImage() const { return m_iconImage; }
    QLabel *nameLabel() const { return m_nameLabel; }
    QLabel *accountLabel() const { return m_accountLabel; }
    QPushButton *loginOutBtn() const { return m_loginOutBtn; }
    QLabel *packageListLabel() const { return m_packageListLabel; }
    QScrollArea *scrollView() const { return m_scrollView; }
    MLBillingTableView *tableView() const { return m_tableView; }
    NSNotDataView *notDataView() const { return m_notDataView; }

private:
    void creatUI();
    void layoutUI();
    void bindAction();

    std::optional<MLGetMeSetmealDtOrgModel> m_orgModel;
    MLRoundedPanelView *m_bgView = nullptr;
    MLRoundedPanelView *m_contentView = nullptr;
    MLRoundedPanelView *m_topView = nullptr;
    MLWebImageView *m_iconImage = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLabel *m_accountLabel = nullptr;
    QPushButton *m_loginOutBtn = nullptr;
    MLWebImageView *m_packageListImage = nullptr;
    QLabel *m_packageListLabel = nullptr;
    QScrollArea *m_scrollView = nullptr;
    MLBillingTableView *m_tableView = nullptr;
    NSNotDataView *m_notDataView = nullptr;
};
