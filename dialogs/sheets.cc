#include "dialogs/sheets.h"

#include <QApplication>
#include <memory>
#include <string>

#include "commissions/comisiones.h"
#include "dialogs/comision_editor.h"
#include "dialogs/commission_file.h"
#include "host/archive.h"
#include "host/env.h"
#include "host/message_box.h"
#include "host/strings.h"
#include "model/sistema.h"

namespace cartera::dialogs {
namespace {
PortfolioSheets* g_installed = nullptr;
}  // namespace

void PortfolioSheets::RunBuySell(CSistemaCartera&, int, int, CNegocioC*, COrderCartera*) {}
void PortfolioSheets::RunOther(CSistemaCartera&, int, COrderCartera*) {}
void PortfolioSheets::RunAction(CSistemaCartera&, int, COrderCartera*) {}
void PortfolioSheets::RunCommissions(CSistemaCartera& ledger, int captionId) {
    CAdmComisiones& commissions = *ledger.GetAdmComisiones();
    // One writer of the commission file at a time, from reading it to saving it.
    std::unique_ptr<FileLock> lock;
    if (Status locked = commissions.LockFile(&lock); !locked.ok()) {
        AfxMessageBox(FillText(::LS(40080), {commissions.FilePath(), locked.message()}),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // What other windows or programs saved since this portfolio read the file.
    if (commissions.LoadError().empty()) {
        commissions.RemoveAll();
        LoadCommissions(commissions);
    }
    if (!ConfirmReplaceCommissions(commissions)) return;
    try {
        if (RunCommissionEditor(commissions, captionId, QApplication::activeWindow()))
            ledger.RepriceOpenTrades();
    } catch (const CArchiveException&) {
        // Cancel read a damaged file again: its records stay, and so does the refusal to
        // replace it.
    }
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

}  // namespace cartera::dialogs
