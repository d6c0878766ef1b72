#include "dialogs/dlg_nuevo_nombre.h"

namespace {
CDlgNuevoNombre::Runner& ModalRunner() {
    static CDlgNuevoNombre::Runner runner;
    return runner;
}
}  // namespace

int CDlgNuevoNombre::DoModal() { return ModalRunner() ? ModalRunner()(*this) : RunModal(); }

CDlgNuevoNombre::Runner CDlgNuevoNombre::SetRunner(Runner runner) {
    Runner previous = std::move(ModalRunner());
    ModalRunner() = std::move(runner);
    return previous;
}
