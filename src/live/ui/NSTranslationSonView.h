#pragma once

#include "live/ui/MLLiveBarView.h"

// The control bar of a two-language live page: source and target pickers with the swap icon
// between them, the elapsed time, the switch to the floating window (its action is the page's) and
// the settings icon.
class NSTranslationSonView final : public MLLiveBarView {
    Q_OBJECT
public:
    explicit NSTranslationSonView(QWidget *parent = nullptr);

    // Stores the entry and hands it to the target picker, which then fetches the target languages.
    void setRightItem(const MLMineLanguageListModel &item);
    const MLMineLanguageListModel &rightItem() const { return m_rightItem; }

    NSTranslationComboBoxView *targetLanguageView() const { return m_targetLanguageView; }
    QLabel *suspensionImage() const { return m_suspensionImage; }
    QLabel *changeImage() const { return m_changeImage; }

    // Swaps the two languages through the service; refused while live translation runs.
    void changeIconClick();
    void startOrOverBtnClick() override;

private:
    MLMineLanguageListModel m_rightItem;
    NSTranslationComboBoxView *m_targetLanguageView = nullptr;
    QLabel *m_changeImage = nullptr;
    QLabel *m_suspensionImage = nullptr;
};
