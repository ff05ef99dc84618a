#pragma once

#include "StandinLiveMeter.h"

#include <QObject>
#include <QString>

class StandinServer;

// The routes of the live engines: usage signatures, speech credentials, usage reports and their end
// ("/signature/getKeepupSin", "/signature/getMicrosoftSin7", "/signature/getMicrosoftSin8",
// "/cost/keepup", "/cost/endTranslate"), the text-translation authorisation ("/cost/getTxtTranslateAuth")
// and the text-translation endpoint itself (kTranslatePath, outside the service API: a JSON list of
// {"text"} in, a JSON list of {"translations": [{"text", "to"}]} out, refused with HTTP 401 and a body
// when its `authorization` is unknown or expired). Translations come from the speech stand-in's
// fixture "speech_sentences" (a sentence in one language is translated into the same sentence in
// another, by exact code, then by primary subtag); a sentence it lacks is answered as "[to] text".
//
// The credentials hand out the speech key, token and region that the stand-in speech endpoint takes.
class StandinLiveRoutes final : public QObject {
    Q_OBJECT
public:
    static constexpr const char *kTranslatePath = "/translator/translate";
    static constexpr const char *kSpeechKey = "standin-speech-key";
    static constexpr const char *kSpeechToken = "standin-speech-token";
    static constexpr const char *kSpeechRegion = "standin";

    // Installs the routes on `server`; their state lives as long as the server.
    static void install(StandinServer &server);
    // The live routes' state of a server they were installed on.
    static StandinLiveRoutes &of(StandinServer &server);

    StandinLiveMeter &meter() { return m_meter; }

    // What the credentials hand out; an empty key makes clients use the token.
    void setSpeechCredentials(const QString &key, const QString &token, const QString &region);
    QString speechKey() const { return m_speechKey; }
    QString speechToken() const { return m_speechToken; }
    QString speechRegion() const { return m_speechRegion; }

    // The translation of `text` into `to` as the endpoint answers it.
    QString translation(const QString &text, const QString &to) const;
    // Text-translation requests answered so far (refusals included).
    int translateRequests() const { return m_translateRequests; }

private:
    explicit StandinLiveRoutes(StandinServer &server);
    void installRoutes();

    StandinServer &m_server;
    StandinLiveMeter m_meter;
    QString m_speechKey = QLatin1String(kSpeechKey);
    QString m_speechToken = QLatin1String(kSpeechToken);
    QString m_speechRegion = QLatin1String(kSpeechRegion);
    int m_translateRequests = 0;
};
