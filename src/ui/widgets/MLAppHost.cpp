#include "ui/widgets/MLAppHost.h"

namespace {
MLAppHost *g_host = nullptr;
} // namespace

MLAppHost *MLAppHost::shared() {
    return g_host;
}

void MLAppHost::install(MLAppHost *host) {
    g_host = host;
}
