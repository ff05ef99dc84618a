#pragma once

#include "live/engine/MLLiveEngine.h"

// The normal tier ("普通翻译"): the speech service recognises the source language and translates
// each sentence into the target language as it goes. Every caption line holds the sentence and its
// translation ("sentence\ntranslation") from the first partial result on; a result without a
// translation into the target language shows the sentence alone.
class NormalTranslationHelp final : public MLLiveEngine {
    Q_OBJECT
public:
    // The application's engine; the first call also makes sure the history table exists.
    static NormalTranslationHelp &shareHelp();

    explicit NormalTranslationHelp(Services services = {}, QObject *parent = nullptr);
    ~NormalTranslationHelp() override;

protected:
    std::unique_ptr<MLRecognizer> makeRecognizer(MLSpeechConfig config) override;
    void recognizing(const MLSpeechRecognitionResult &result) override;
    void recognized(const MLSpeechRecognitionResult &result) override;

private:
    QString caption(const MLSpeechRecognitionResult &result) const;
};
