#include "window/sheets.h"

#include <QApplication>

#include "dialogs/comision_editor.h"

namespace cartera::window {
namespace {
PortfolioSheets* g_installed = nullptr;
}  // namespace

void PortfolioSheets::RunBuySell(CSistemaCartera&, int, int, CNegocioC*, COrderCartera*) {}
void PortfolioSheets::RunOther(CSistemaCartera&, int, COrderCartera*) {}
void PortfolioSheets::RunCommissions(CAdmComisiones& commissions, int captionId) {
    RunCommissionEditor(commissions, captionId, QApplication::activeWindow());
}

PortfolioSheets& Sheets() {
    static PortfolioSheets placeholders;
    return g_installed ? *g_installed : placeholders;
}

PortfolioSheets* SetSheets(PortfolioSheets* sheets) {
    PortfolioSheets* previous = g_installed;
    g_installed = sheets;
    return previous;
}

}  // namespace cartera::window
