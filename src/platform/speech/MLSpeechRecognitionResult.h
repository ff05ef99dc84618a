#pragma once

#include <QHash>
#include <QMetaType>
#include <QString>

// One event of a recognizer: a partial or final result, or the cancellation of the recognition.
struct MLSpeechRecognitionResult {
    // Values of `reason`.
    enum Reason : int {
        NoMatch = 0,           // the sound held no speech that could be recognised
        Canceled = 1,          // the recognition ended on an error (`errorCode`, `errorDetails`)
        RecognizingSpeech = 2, // partial result of a speech recognizer
        RecognizedSpeech = 3,  // final result of a speech recognizer
        TranslatingSpeech = 6, // partial result of a translation recognizer
        TranslatedSpeech = 7,  // final result of a translation recognizer
    };

    int reason = NoMatch;
    // The recognised text in the recognition language.
    QString text;
    // The translations of `text`, keyed by the target language codes of the configuration.
    QHash<QString, QString> translations;
    // Where the utterance lies in the audio sent, in milliseconds.
    qint64 offsetMs = 0;
    qint64 durationMs = 0;

    // Canceled results only. Codes: "connection_failed" (no endpoint), "connection_lost",
    // "timeout", or the endpoint's own code, for instance "unauthorized".
    QString errorCode;
    QString errorDetails;
};

Q_DECLARE_METATYPE(MLSpeechRecognitionResult)
