#pragma once

#include "ui/widgets/MLSectionFrame.h"

class NSMainLeftToolBarView;

// The main page: the navigation bar on the left and one section page at a time on the right. Section
// pages are made on first use and kept; the balance is fetched each time the page is shown, on the
// bar's refresh icon and on MLNotificationNames::kIndividualCenter.
class NSMainVC final : public MLSectionFrame {
    Q_OBJECT
public:
    explicit NSMainVC(QWidget *parent = nullptr);

    NSMainLeftToolBarView *leftBar() const;
    // Fetches the account and shows its balance.
    void getUserInfo();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void bindAction();
};
