#include "StandinFileRoutes.h"

#include "StandinDocumentRoutes.h"
#include "StandinFileJobs.h"
#include "StandinVoiceRoutes.h"

void StandinFileRoutes::install(StandinServer &server) {
    auto *jobs = new StandinFileJobs(server);
    StandinDocumentRoutes::install(server, *jobs);
    StandinVoiceRoutes::install(server, *jobs);
}
