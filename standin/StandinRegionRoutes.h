#pragma once

class StandinServer;

// The speech-region routes: the regions the service offers
// ("/meInfo/getAzureVoiceRegionList", from the fixture "regions", exactly one
// flagged `defaultRegion`) and the account's choice
// ("/meInfo/updateRegionCode", parameter "regionCode"), kept on the account so
// that "/meInfo/getMeInfo" answers it afterwards.
class StandinRegionRoutes final {
public:
    static void install(StandinServer &server);
};
