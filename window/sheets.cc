#include "window/sheets.h"

#include "host/strings.h"
#include "window/framework/status.h"

namespace cartera::window {
namespace {
void NotYet() { ui::ShowStatusMessage(::LS(40033)); }

PortfolioSheets* g_installed = nullptr;
}  // namespace

void PortfolioSheets::RunBuySell(CSistemaCartera&, int, int, CNegocioC*, COrderCartera*) {}
void PortfolioSheets::RunOther(CSistemaCartera&, int, COrderCartera*) {}
void PortfolioSheets::RunCommissions(CAdmComisiones&, int) { NotYet(); }

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
