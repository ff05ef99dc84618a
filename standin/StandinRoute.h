#pragma once

#include "StandinReply.h"
#include "StandinRequest.h"

#include <functional>

// How a route reads its request and writes its answer.
enum class StandinRouteKind {
    Envelope,  // POST {"dt", "m5"} (or "{}"), answer with encrypted "dt" and "m5" (service API)
    Plain,     // POST plain JSON object, answer with plain "dt" (payment origin)
    Multipart, // POST multipart/form-data, answer with plain "dt" (file upload)
    Raw,       // any method; the handler reads the request and writes the body itself
};

using StandinHandler = std::function<StandinReply(const StandinRequest &request)>;

struct StandinRoute {
    StandinRouteKind kind = StandinRouteKind::Envelope;
    bool needsAccount = true; // without a valid `tk` the service answers "DIA005"
    StandinHandler handler;
};
