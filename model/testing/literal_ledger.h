#pragma once
// A literal, straightforward version of the ledger's algorithms: arrays scanned and shifted
// exactly as described, codes lower-cased at every comparison, look-ups by linear scan.
// It is the yardstick of the benchmarks and the reference the model's tests compare
// the fast ledger against; nothing else should use it.
#include <vector>

#include "commissions/comisiones.h"
#include "host/context.h"
#include "host/market.h"
#include "model/order.h"
#include "model/trade.h"

class CArchive;

namespace literal {

struct Totals {
    double capital = 0, openProfit = 0, closedProfit = 0, invested = 0, impositions = 0,
           deposits = 0, refunds = 0, expenses = 0, dividends = 0, guarantees = 0;
};

struct Ledger {
    CArrayOrders orders;
    CArrayNegocioC closed;
    CArrayNegocioC open;
    Totals totals;
    std::vector<int32_t> refresh;
    const CAdmComisiones* adm = nullptr;  // not owned
    cartera::Context context;             // its clock dates the open trades
};

void CasarOrdenes(Ledger& l);
void CalcularCapital(Ledger& l);
void OnTicks(Ledger& l, const CMensajePelvo& message);
// Reads a body (movements, extension block; layouts are not read) and runs matching and
// capital as the after-loading process does.
void Load(Ledger& l, CArchive& ar);

}  // namespace literal
