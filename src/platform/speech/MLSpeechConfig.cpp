#include "platform/speech/MLSpeechConfig.h"

std::optional<MLSpeechConfig> MLSpeechConfig::fromSubscription(const QString &subscriptionKey,
                                                               const QString &region, const QUrl &endpoint) {
    if (subscriptionKey.isEmpty() || region.isEmpty())
        return std::nullopt;
    MLSpeechConfig config;
    config.m_subscriptionKey = subscriptionKey;
    config.m_region = region;
    config.m_endpoint = endpoint;
    return config;
}

std::optional<MLSpeechConfig> MLSpeechConfig::fromAuthorizationToken(const QString &authorizationToken,
                                                                     const QString &region,
                                                                     const QUrl &endpoint) {
    if (authorizationToken.isEmpty() || region.isEmpty())
        return std::nullopt;
    MLSpeechConfig config;
    config.m_authorizationToken = authorizationToken;
    config.m_region = region;
    config.m_endpoint = endpoint;
    return config;
}

void MLSpeechConfig::addTargetLanguage(const QString &language) {
    if (!language.isEmpty() && !m_targetLanguages.contains(language))
        m_targetLanguages.append(language);
}
