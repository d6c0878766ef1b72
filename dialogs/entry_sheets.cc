#include "dialogs/entry_sheets.h"

#include "dialogs/commission_file.h"
#include "dialogs/sheet_accion.h"
#include "dialogs/sheet_compra.h"
#include "dialogs/sheet_varios.h"
#include "host/strings.h"
#include "model/sistema.h"

void CEntrySheets::RunBuySell(CSistemaCartera& ledger, int captionId, int buy, CNegocioC* trade,
                              COrderCartera* movement) {
    // The schedules as the commission file holds them now, whichever window saved them.
    cartera::dialogs::RefreshCommissions(*ledger.GetAdmComisiones());
    CSheetCompra sheet(::LS(captionId), nullptr, 0);
    sheet.m_pSistema = &ledger;
    sheet.m_pNegocio = trade;
    sheet.m_pOrden = movement;
    sheet.Run(buy);
}

void CEntrySheets::RunOther(CSistemaCartera& ledger, int captionId, COrderCartera* movement) {
    CSheetVarios sheet(::LS(captionId), nullptr, 0);
    sheet.m_pSistema = &ledger;
    sheet.m_pOrden = movement;
    sheet.Run();
}

void CEntrySheets::RunAction(CSistemaCartera& ledger, int captionId, COrderCartera* movement) {
    CSheetAccion sheet(::LS(captionId), nullptr);
    sheet.m_pSistema = &ledger;
    sheet.m_pOrden = movement;
    sheet.Run();
}

void InstallEntrySheets() {
    static CEntrySheets sheets;
    cartera::dialogs::SetSheets(&sheets);
}
