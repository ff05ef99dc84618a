#pragma once

class StandinServer;

// The file translation routes: the document and the audio routes over one store of jobs, and the
// object store that receives the audio uploads.
class StandinFileRoutes final {
public:
    static void install(StandinServer &server);
};
