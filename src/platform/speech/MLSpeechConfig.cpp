#include "platform/speech/MLSpeechConfig.h"

std::optional<MLSpeechConfig> MLSpeechConfig::fromSubscription(const QString &subscriptionKey,
                                                               const QString &region, const QUrl &endpoint) {
    return withCredential(&MLSpeechConfig::m_subscriptionKey, subscriptionKey, region, endpoint);
}

std::optional<MLSpeechConfig> MLSpeechConfig::fromAuthorizationToken(const QString &authorizationToken,
                                                                     const QString &region,
                                                                     const QUrl &endpoint) {
    return withCredential(&MLSpeechConfig::m_authorizationToken, authorizationToken, region, endpoint);
}

std::optional<MLSpeechConfig> MLSpeechConfig::withCredential(QString MLSpeechConfig::*credential,
                                                             const QString &value, const QString &region,
                                                             const QUrl &endpoint) {
    if (value.isEmpty() || region.isEmpty())
        return std::nullopt;
    MLSpeechConfig config;
    config.*credential = value;
    config.m_region = region;
    config.m_endpoint = endpoint;
    return config;
}

void MLSpeechConfig::addTargetLanguage(const QString &language) {
    if (!language.isEmpty() && !m_targetLanguages.contains(language))
        m_targetLanguages.append(language);
}
