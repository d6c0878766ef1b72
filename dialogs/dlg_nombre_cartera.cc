#include "dialogs/dlg_nombre_cartera.h"

namespace {
CDlgNombreCartera::Runner& ModalRunner() {
    static CDlgNombreCartera::Runner runner;
    return runner;
}
}  // namespace

int CDlgNombreCartera::DoModal() { return ModalRunner() ? ModalRunner()(*this) : RunModal(); }

CDlgNombreCartera::Runner CDlgNombreCartera::SetRunner(Runner runner) {
    Runner previous = std::move(ModalRunner());
    ModalRunner() = std::move(runner);
    return previous;
}
