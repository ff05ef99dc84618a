#pragma once

class StandinServer;

// The language routes: the source and target language lists ("/transLangue/getLanguageList",
// parameter "languageType" 11 or 12) and the swap of a language pair ("/transLangue/switchLanguage").
// Languages come from the fixture "languages": each has a name, an initial, the code it has as a
// source (a speech locale such as "zh-CN") and the code it has as a target (such as "zh-Hans").
class StandinLanguageRoutes final {
public:
    static void install(StandinServer &server);

    static constexpr int kSourceList = 11;
    static constexpr int kTargetList = 12;
};
