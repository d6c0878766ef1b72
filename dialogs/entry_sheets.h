#pragma once
// The entry sheets the portfolio commands open: buy/sell and other operations (the
// commission editor stays the default one).
#include "dialogs/sheets.h"

class CEntrySheets : public cartera::dialogs::PortfolioSheets {
  public:
    void RunBuySell(CSistemaCartera& ledger, int captionId, int buy, CNegocioC* trade,
                    COrderCartera* movement) override;
    void RunOther(CSistemaCartera& ledger, int captionId, COrderCartera* movement) override;
    void RunAction(CSistemaCartera& ledger, int captionId, COrderCartera* movement) override;
};

// The module's entry sheets, installed once with SetSheets.
void InstallEntrySheets();
