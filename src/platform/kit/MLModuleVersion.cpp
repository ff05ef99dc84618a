// Compiled into every module (src/CMakeLists.txt, ml_module_library): the app version the module was
// built with (ML_MODULE_VERSION), which the loader compares with the app's own before using the module.
#include "platform/kit/MLModule.h"

#include <string_view>

static_assert(std::string_view(MLModule::kVersionSymbol) == "ml_module_version");

extern "C" Q_DECL_EXPORT const char *ml_module_version() {
    return ML_MODULE_VERSION;
}
