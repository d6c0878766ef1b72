#pragma once
// The modal sheets the portfolio commands open: buy/sell, other operations, commission
// schedules. The module installs its entry sheets (dialogs/entry_sheets.h); without them
// buy/sell and other operations do nothing. The commission editor is built in. They sit with
// the dialogs so that the window's commands include the dialogs, never the other way round.
class CNegocioC;
class COrderCartera;
class CSistemaCartera;

namespace cartera::dialogs {

class PortfolioSheets {
  public:
    virtual ~PortfolioSheets() = default;
    // The buy/sell sheet with caption LS(captionId): buy 1 or 0, primed with trade (an open
    // trade to sell or add to) or movement (the movement to modify); either may be null.
    virtual void RunBuySell(CSistemaCartera& ledger, int captionId, int buy, CNegocioC* trade,
                            COrderCartera* movement);
    // The other-operations sheet; movement is the movement to modify, or null.
    virtual void RunOther(CSistemaCartera& ledger, int captionId, COrderCartera* movement);
    // The corporate-action sheet; movement is the action to modify, or null.
    virtual void RunAction(CSistemaCartera& ledger, int captionId, COrderCartera* movement);
    // The commission schedule editor over the ledger's administrator, holding the
    // commission file's lock; the administrator first reads the file again (a damaged file
    // is reported, and replaced only when the user agrees). Saved schedules reprice the
    // ledger's open trades at once, as the command line would price them.
    virtual void RunCommissions(CSistemaCartera& ledger, int captionId);
};

// The sheets in use; never null.
PortfolioSheets& Sheets();
// Installs sheets (not owned; null restores the placeholders) and returns the previous ones.
PortfolioSheets* SetSheets(PortfolioSheets* sheets);

}  // namespace cartera::dialogs
