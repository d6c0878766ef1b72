// The plain-text rendering of the portfolio views.
#include <string>

#include "app/cli/table.h"
#include "app/cli/views.h"
#include "host/dates.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/sistema.h"

namespace cartera::cli {
namespace {

std::string Count(int32_t n) { return PonPuntos(std::to_string(n), 0); }

TextTable MovementsTable(const CSistemaCartera& ledger) {
    TextTable t;
    t.title = ::LS(3377);
    t.headings = {"Id",       ::LS(3381), ::LS(3382), ::LS(3383), ::LS(3384),
                  ::LS(3390), ::LS(3385), ::LS(3386), ::LS(3387), ::LS(3395)};
    t.rightAligned = {true, false, false, false, false, false, true, true, true, true};
    for (const COrderCartera& m : ledger.GetOrders()) {
        t.rows.push_back({std::to_string(m.id), ::LS(MovementTypeLetterId(m.type)), IsoDate(m.date),
                          HnToHc(m.time), m.symbol, m.group, Count(m.contracts),
                          PonPuntos(m.price, m.decimals),
                          PonPuntos(m.contracts * m.commission, m.decimals),
                          PonPuntos(MovementTotal(m), m.decimals)});
    }
    return t;
}

// The columns the two trade tables share, after id, side, symbol, group and dates.
void AppendTradeCells(const CNegocioC& t, std::vector<std::string>& row) {
    row.push_back(Count(t.contracts));
    row.push_back(PonPuntos(t.entryPrice, t.decimals));
    row.push_back(PonPuntos(t.exitPrice, t.decimals));
    row.push_back(PonPuntos(TradeCommission(t), t.decimals));
    row.push_back(PonPuntos(t.profit, t.decimals));
    row.push_back(PonPuntos(t.percentage, t.decimals));
}

TextTable TradesTable(const CArrayNegocioC& trades, bool closed) {
    TextTable t;
    t.title = ::LS(closed ? 3379 : 3378);
    t.headings = {"Id", ::LS(3381), ::LS(3428), ::LS(3439), ::LS(3424)};
    if (closed) t.headings.push_back(::LS(3425));
    for (int id : {3429, 3430, 3431, 3432, 3435, 3436}) t.headings.push_back(::LS(id));
    t.rightAligned.assign(t.headings.size(), true);
    for (size_t i = 1; i < (closed ? 6u : 5u); ++i) t.rightAligned[i] = false;
    for (const CNegocioC& trade : trades) {
        std::vector<std::string> row = {std::to_string(trade.id), ::LS(trade.isLong ? 3417 : 3418),
                                        trade.symbol, trade.entryGroup, IsoDate(trade.entryDate)};
        if (closed) row.push_back(IsoDate(trade.exitDate));
        AppendTradeCells(trade, row);
        t.rows.push_back(std::move(row));
    }
    return t;
}

TextTable TotalsTable(const CSistemaCartera& l) {
    TextTable t;
    t.title = ::LS(3400);
    t.headings = {::LS(3466), ::LS(3453)};
    t.rightAligned = {false, true};
    const std::pair<int, double> rows[] = {
        {3449, l.GetCapital()},    {3450, l.GetGanAbiertas()},  {3455, l.GetGanCerradas()},
        {3461, l.GetInvertido()},  {3447, l.GetImposiciones()}, {3463, l.GetIngresos()},
        {3448, l.GetReintegros()}, {3464, l.GetGastos()},       {3465, l.GetDividendos()},
        {3388, l.GetGarantias()},
    };
    for (const auto& [label, value] : rows) t.rows.push_back({::LS(label), PonPuntos(value, 2)});
    return t;
}

}  // namespace

std::optional<View> ParseView(const std::string& name) {
    if (name == "movements") return View::movements;
    if (name == "open") return View::open;
    if (name == "closed") return View::closed;
    if (name == "totals") return View::totals;
    if (name == "all") return View::all;
    return std::nullopt;
}

std::string TextView(const CSistemaCartera& ledger, View view) {
    switch (view) {
        case View::movements:
            return RenderTable(MovementsTable(ledger));
        case View::open:
            return RenderTable(TradesTable(ledger.GetOpenTrades(), false));
        case View::closed:
            return RenderTable(TradesTable(ledger.GetClosedTrades(), true));
        case View::totals:
            return RenderTable(TotalsTable(ledger));
        case View::all:
            break;
    }
    return TextView(ledger, View::movements) + '\n' + TextView(ledger, View::open) + '\n' +
           TextView(ledger, View::closed) + '\n' + TextView(ledger, View::totals);
}

}  // namespace cartera::cli
