// A module that exports the entry point under the next interface version. Its registration
// adds a document type, so a host that runs it anyway is caught.
#include "framework/module.h"

namespace {

int RegisterModule(cartera::ui::ModuleRegistry* registry) {
    registry->AddDocType({"CStray", "CStray", "CStray", 0, ""});
    return 1;
}

constexpr cartera::ui::ModuleInfo kInfo{cartera::ui::kModuleInterfaceVersion + 1, RegisterModule};

}  // namespace

extern "C" __attribute__((visibility("default"))) const cartera::ui::ModuleInfo* CarteraModule() {
    return &kInfo;
}
