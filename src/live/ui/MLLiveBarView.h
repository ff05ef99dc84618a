#pragma once

#include "core/session/MLMineLanguageListModel.h"

#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class MLLiveSettingsWindow;
class NSTranslationComboBoxView;

// What the control bars of the live pages share: the source picker, the elapsed time, the settings
// icon with the bar's own settings window, and the picker locks while live translation runs.
class MLLiveBarView : public QWidget {
    Q_OBJECT
public:
    const QString &languageKey() const { return m_languageKey; }
    void setLanguageKey(const QString &key) { m_languageKey = key; }

    // Stores the entry and hands it to the source picker, which then fetches the source languages.
    void setLeftItem(const MLMineLanguageListModel &item);
    const MLMineLanguageListModel &leftItem() const { return m_leftItem; }

    NSTranslationComboBoxView *sourceLanguageView() const { return m_sourceLanguageView; }
    QLabel *timeLabel() const { return m_timeLabel; }
    QLabel *settingImage() const { return m_settingImage; }

    // Locks the pickers while live translation runs, frees them otherwise.
    virtual void startOrOverBtnClick();

    // The elapsed-time label of the bars and the floating window, "00:00:00" at first.
    static QLabel *makeTimeLabel(QWidget *parent);
    // A clickable icon of `size` points square showing the image `asset`.
    static QLabel *makeIcon(QWidget *parent, const QString &asset, int size);

    // Opens the live settings in the bar's settings window, application-modally.
    void settingClick();
    // The bar's settings window, made on first use and kept.
    MLLiveSettingsWindow *helpWindow();

protected:
    explicit MLLiveBarView(QWidget *parent = nullptr);

    // Whether live translation runs (the application delegate's flag).
    static bool isTranslation();

    QString m_languageKey;
    MLMineLanguageListModel m_leftItem;
    NSTranslationComboBoxView *m_sourceLanguageView = nullptr;
    QLabel *m_timeLabel = nullptr;
    QLabel *m_settingImage = nullptr;
    QPointer<MLLiveSettingsWindow> m_helpWindow;
};
