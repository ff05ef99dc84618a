#include "platform/speech/MLSpeechConfig.h"

#include "core/net/MLServiceOrigins.h"

std::optional<MLSpeechConfig> MLSpeechConfig::fromSubscription(const QString &subscriptionKey,
                                                               const QString &region) {
    if (subscriptionKey.isEmpty() || region.isEmpty())
        return std::nullopt;
    MLSpeechConfig config;
    config.m_subscriptionKey = subscriptionKey;
    config.m_region = region;
    return config;
}

std::optional<MLSpeechConfig> MLSpeechConfig::fromAuthorizationToken(const QString &authorizationToken,
                                                                     const QString &region) {
    if (authorizationToken.isEmpty() || region.isEmpty())
        return std::nullopt;
    MLSpeechConfig config;
    config.m_authorizationToken = authorizationToken;
    config.m_region = region;
    return config;
}

void MLSpeechConfig::addTargetLanguage(const QString &language) {
    if (!language.isEmpty() && !m_targetLanguages.contains(language))
        m_targetLanguages.append(language);
}

QUrl MLSpeechConfig::endpoint() const {
    return m_endpoint.isValid() && !m_endpoint.isEmpty() ? m_endpoint : MLServiceOrigins::speechUrl(m_region);
}
