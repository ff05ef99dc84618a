#pragma once

#include "live/engine/MLLiveEngine.h"

class MLMicrosoftNetRequestManager;

// The low-price tier ("价低翻译"): the speech service only recognises the source language; each
// finished sentence is translated by the text-translation endpoint whose address and authorisation
// come with the speech credentials, and its line is completed when the translation arrives.
//
// Caption rule: the sentence being recognised stands alone in the open entry; a finished sentence
// stays alone in its entry until its translation arrives, then the entry holds "sentence\ntranslation".
// Translations may come back in any order, also after the stop; each fills only the entry of its own
// sentence, and only while no newer session has started.
//
// A translation that fails is sent again a bounded number of times after a short growing pause: a
// transport failure ("1") resends as it is, any other failure first renews the authorisation.
class LowpriceTranslationHelp final : public MLLiveEngine {
    Q_OBJECT
public:
    // The application's engine; the first call also makes sure the history table exists.
    static LowpriceTranslationHelp &shareHelp();

    explicit LowpriceTranslationHelp(Services services = {},
                                     MLMicrosoftNetRequestManager *translator = nullptr,
                                     QObject *parent = nullptr);
    ~LowpriceTranslationHelp() override;

    // At most `maxResends` resends per sentence, the n-th after firstPauseMs * 2^(n-1) milliseconds.
    void setResendPolicy(int maxResends, int firstPauseMs);
    int maxResends() const { return m_maxResends; }

    static constexpr int kDefaultMaxResends = 3;
    static constexpr int kDefaultFirstPauseMs = 250;

protected:
    std::unique_ptr<MLRecognizer> makeRecognizer(MLSpeechConfig config) override;
    void recognizing(const MLSpeechRecognitionResult &result) override;
    void recognized(const MLSpeechRecognitionResult &result) override;

private:
    // One sentence on its way to the text-translation endpoint.
    struct Job {
        QString text;
        qsizetype index = 0;
        quint64 generation = 0;
        int resends = 0;
    };

    void getMicrosoftTranslation(const Job &job);
    void retry(Job job, const QString &message, const QString &code);
    void GetTxtTranslateAuth(const Job &job, const QString &errMsg);
    void applyTranslation(const Job &job, const QJsonValue &answer);

    MLMicrosoftNetRequestManager *m_translator;
    int m_maxResends = kDefaultMaxResends;
    int m_firstPauseMs = kDefaultFirstPauseMs;
};
