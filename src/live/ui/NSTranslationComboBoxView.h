#pragma once

#include "core/session/MLMineLanguageListModel.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class QComboBox;
class QPushButton;

// The picker of one language: a combo box filled from the service's language list (source or
// target languages), ordered by the pinyin of the names, that remembers the chosen entry per page and
// side in the user defaults ("<languageKey>Left" for the source side, "<languageKey>Right" else).
//
// Owners set the entry to look for (setItemLanguage), the side and the key, then the type, which
// fetches the list once. When the list arrives the stored entry is chosen when an entry has the same
// code and name, else the first entry; a choice, by the user or by code, is stored at once. While
// live translation runs the owner shows comboBoxBtn over the combo box, which takes the clicks.
class NSTranslationComboBoxView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSourceLanguageType = 11;
    static constexpr int kTargetLanguageType = 12;

    explicit NSTranslationComboBoxView(QWidget *parent = nullptr);

    // The entry stored under `key` (a keyed archive of one language entry); an empty entry when
    // nothing is stored or the data does not decode.
    static MLMineLanguageListModel storedLanguage(const QString &key);

    const QList<MLMineLanguageListModel> &dataSource() const { return m_dataSource; }
    int seletedIndex() const { return m_seletedIndex; }

    void setSeletedLanguageBlock(std::function<void(const MLMineLanguageListModel &)> block) {
        m_seletedLanguageBlock = std::move(block);
    }

    const MLMineLanguageListModel &itemLanguage() const { return m_itemLanguage; }
    void setItemLanguage(const MLMineLanguageListModel &item) { m_itemLanguage = item; }

    bool isSourceLanguage() const { return m_isSourceLanguage; }
    void setIsSourceLanguage(bool isSource) { m_isSourceLanguage = isSource; }

    const QString &languageKey() const { return m_languageKey; }
    void setLanguageKey(const QString &key) { m_languageKey = key; }

    int languageType() const { return m_languageType; }
    // Stores the type and requests the list of that type.
    void setLanguageType(int type);

    // Chooses again after the owner has set an entry with a new code and name (the swap of the two
    // languages): the list entry with that code and name, else the first one.
    void changeLanguage();

    QComboBox *comboBoxView() const { return m_comboBoxView; }
    QPushButton *comboBoxBtn() const { return m_comboBoxBtn; }

    // The user-defaults key this picker stores its choice under.
    QString storageKey() const;

private:
    void requestNetwork();
    void languageListArrived(const QList<MLMineLanguageListModel> &list);
    void matchItemLanguage();
    void comboBoxSelectionDidChange(int row);
    void saveItemLanguage() const;
    void btnClick() {}

    QList<MLMineLanguageListModel> m_dataSource;
    int m_seletedIndex = 0;
    std::function<void(const MLMineLanguageListModel &)> m_seletedLanguageBlock;
    MLMineLanguageListModel m_itemLanguage;
    bool m_isSourceLanguage = false;
    int m_languageType = 0;
    QString m_languageKey;
    QComboBox *m_comboBoxView = nullptr;
    QPushButton *m_comboBoxBtn = nullptr;
};
