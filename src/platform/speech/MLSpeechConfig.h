#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// What a recognizer needs to reach the speech service: the endpoint (the speech URL of the region), a
// subscription key or an authorization token for the region, the language spoken, and (for
// translation) the target languages.
class MLSpeechConfig final {
public:
    // Nothing when the key or the region is empty.
    static std::optional<MLSpeechConfig> fromSubscription(const QString &subscriptionKey,
                                                          const QString &region, const QUrl &endpoint);
    // Nothing when the token or the region is empty.
    static std::optional<MLSpeechConfig> fromAuthorizationToken(const QString &authorizationToken,
                                                                const QString &region, const QUrl &endpoint);

    QString subscriptionKey() const { return m_subscriptionKey; }
    QString authorizationToken() const { return m_authorizationToken; }
    QString region() const { return m_region; }

    QString speechRecognitionLanguage() const { return m_speechRecognitionLanguage; }
    void setSpeechRecognitionLanguage(const QString &language) { m_speechRecognitionLanguage = language; }

    QStringList targetLanguages() const { return m_targetLanguages; }
    // Adds a target language once; empty codes are ignored.
    void addTargetLanguage(const QString &language);

    QUrl endpoint() const { return m_endpoint; }
    void setEndpoint(const QUrl &endpoint) { m_endpoint = endpoint; }

private:
    MLSpeechConfig() = default;
    // Nothing when the credential or the region is empty.
    static std::optional<MLSpeechConfig> withCredential(QString MLSpeechConfig::*credential,
                                                        const QString &value, const QString &region,
                                                        const QUrl &endpoint);

    QString m_subscriptionKey;
    QString m_authorizationToken;
    QString m_region;
    QString m_speechRecognitionLanguage;
    QStringList m_targetLanguages;
    QUrl m_endpoint;
};
