#pragma once

class StandinServer;
class StandinFileJobs;

// The audio transcription routes: the configuration ("/voiceTranslate/getVoiceTranslateConfig"), the
// price with the object-store credentials of the job ("/voiceTranslate/calculateTranslateCost"), the
// announcement and the end of the upload ("/voiceTranslate/startUploadFile",
// "/voiceTranslate/endUploadFile"), the history ("/voiceTranslate/getVoiceTranslateList") and the
// transcript (GET "/voiceTranslate/downloadTranslateContent?id=<job>", for the job's account only).
class StandinVoiceRoutes final {
public:
    static void install(StandinServer &server, StandinFileJobs &jobs);

    static constexpr const char *kBucketName = "ml-voice";
};
