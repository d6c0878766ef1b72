// The JSON rendering of the portfolio views.
#include <nlohmann/json.hpp>

#include "app/cli/quantity_json.h"
#include "app/cli/views.h"
#include "host/dates.h"
#include "host/grid/grid_control.h"
#include "host/strings.h"
#include "model/exchange.h"
#include "model/sistema.h"

namespace cartera::cli {
namespace {

using Json = nlohmann::ordered_json;

// A row's currency: its own, or the portfolio's (null while the portfolio names none).
Json CurrencyJson(const PooledText& own, const std::string& portfolio) {
    if (!own.empty()) return own.str();
    return portfolio.empty() ? Json() : Json(portfolio);
}

Json MovementJson(const COrderCartera& m, const std::string& portfolio) {
    Json j{{"id", m.id},
           {"type", m.type},
           {"letter", ::LS(MovementTypeLetterId(m.type))},
           {"buy", m.buy != 0},
           {"code", m.quoteCode},
           {"symbol", m.symbol},
           {"group", m.group},
           {"contracts", m.contracts},
           {"price", m.price},
           {"commission_per_contract", m.commission},
           {"schedule", m.schedule},
           {"point_value", m.pointValue},
           {"guarantee", m.guarantee},
           {"decimals", m.decimals},
           {"reserved", m.reserved},
           {"date", IsoDate(m.date)},
           {"time", HnToHc(m.time)},
           {"currency", CurrencyJson(m.currency, portfolio)},
           {"rate", m.rate}};
    if (m.HasTerms()) j["terms"] = m.terms;
    return j;
}

Json TradeJson(const CNegocioC& t, const std::string& portfolio) {
    return Json{{"id", t.id},
                {"code", t.quoteCode},
                {"symbol", t.symbol},
                {"long", t.isLong != 0},
                {"contracts", t.contracts},
                {"remainder", t.remainder},
                {"entry_price", t.entryPrice},
                {"exit_price", t.exitPrice},
                {"entry_commission", t.entryCommission},
                {"exit_commission", t.exitCommission},
                {"point_value", t.pointValue},
                {"profit", t.profit},
                {"percentage", t.percentage},
                {"days_held", t.daysHeld},
                {"entry_date", IsoDate(t.entryDate)},
                {"exit_date", IsoDate(t.exitDate)},
                {"entry_group", t.entryGroup},
                {"exit_group", t.exitGroup},
                {"decimals", t.decimals},
                {"guarantee", t.guarantee},
                {"currency", CurrencyJson(t.currency, portfolio)},
                {"entry_rate", t.entryRate},
                {"exit_rate", t.exitRate},
                {"result", TradeBaseResult(t)},
                {"price_part", TradePricePart(t)},
                {"exchange_part", TradeExchangePart(t)}};
}

Json TradesJson(const TradeList& trades, const std::string& portfolio) {
    Json out = Json::array();
    for (const auto& t : trades) out.push_back(TradeJson(t, portfolio));
    return out;
}

Json MovementsJson(const CSistemaCartera& ledger) {
    Json out = Json::array();
    for (const auto& m : ledger.GetOrders()) out.push_back(MovementJson(m, ledger.GetCurrency()));
    return out;
}

// The cash in each currency, by code ("" while the portfolio names no currency).
Json CashJson(const CSistemaCartera& l) {
    Json out = Json::object();
    for (const CurrencyAmount& c : CashByCurrency(l.GetOrders(), l.GetCurrency()))
        out[c.currency] = c.amount;
    return out;
}

Json TotalsJson(const CSistemaCartera& l) {
    return Json{{"capital", l.GetCapital()},
                {"open_profit", l.GetGanAbiertas()},
                {"closed_profit", l.GetGanCerradas()},
                {"invested", l.GetInvertido()},
                {"impositions", l.GetImposiciones()},
                {"deposits", l.GetIngresos()},
                {"refunds", l.GetReintegros()},
                {"expenses", l.GetGastos()},
                {"dividends", l.GetDividendos()},
                {"guarantees", l.GetGarantias()},
                {"exchange_part", l.GetExchangePart()},
                {"currency", CurrencyJson(PooledText(), l.GetCurrency())},
                {"cash", CashJson(l)}};
}

Json ViewJson(const CSistemaCartera& ledger, View view) {
    switch (view) {
        case View::movements:
            return MovementsJson(ledger);
        case View::open:
            return TradesJson(ledger.GetOpenTrades(), ledger.GetCurrency());
        case View::closed:
            return TradesJson(ledger.GetClosedTrades(), ledger.GetCurrency());
        case View::totals:
            return TotalsJson(ledger);
        case View::valuation:
        case View::all:
            break;
    }
    return Json{{"last_id", ledger.GetLastId()},
                {"active_tab", ledger.GetPestanaActiva()},
                {"movements", MovementsJson(ledger)},
                {"currency", CurrencyJson(PooledText(), ledger.GetCurrency())},
                {"open", TradesJson(ledger.GetOpenTrades(), ledger.GetCurrency())},
                {"closed", TradesJson(ledger.GetClosedTrades(), ledger.GetCurrency())},
                {"totals", TotalsJson(ledger)}};
}

}  // namespace

std::string JsonView(const CSistemaCartera& ledger, View view) {
    // Texts that are not UTF-8 (old files) get replacement characters instead of failing.
    return ViewJson(ledger, view).dump(2, ' ', false, Json::error_handler_t::replace) + '\n';
}

std::string MovementJsonText(const COrderCartera& movement, const std::string& portfolio) {
    return MovementJson(movement, portfolio).dump(2, ' ', false, Json::error_handler_t::replace) +
           '\n';
}

std::string GridJson(const CUGCtrl& grid) {
    std::vector<int> cols;
    for (int col = 0; col < grid.GetNumberCols(); ++col)
        if (!grid.IsColHidden(col) && grid.GetColWidth(col) > 2) cols.push_back(col);
    Json rows = Json::array();
    auto addRow = [&](int row) {
        Json cells = Json::array();
        for (int col : cols) cells.push_back(grid.QuickGetText(col, row));
        rows.push_back(std::move(cells));
    };
    if (grid.GetTH_Height() > 0) addRow(-1);
    for (int row = 0; row < grid.GetNumberRows(); ++row)
        if (grid.GetRowHeight(row) > 2) addRow(row);
    return rows.dump(2, ' ', false, Json::error_handler_t::replace) + '\n';
}

}  // namespace cartera::cli
