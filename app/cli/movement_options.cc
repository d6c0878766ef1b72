#include "app/cli/movement_options.h"

#include <utility>

#include "commissions/comisiones.h"
#include "host/dates.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/action.h"
#include "model/currency_entry.h"
#include "model/entry.h"
#include "model/exchange.h"
#include "model/sistema.h"
#include "rates/rates.h"
#include "text/number.h"

namespace cartera::cli {
namespace {

const std::pair<const char*, int32_t> kActionTypes[] = {{"split", kSplit},
                                                        {"rename", kRename},
                                                        {"stock dividend", kStockDividend},
                                                        {"spin-off", kSpinOff},
                                                        {"merger", kMerger}};

const std::pair<const char*, int32_t> kCashTypes[] = {
    {"imposition", kImposition}, {"refund", kRefund}, {"deposit", kDeposit}, {"expense", kExpense}};

// The rates table in the ledger's home, read only when a rate is looked up.
RateLookup TableLookup(const CSistemaCartera& ledger) {
    return [&ledger](std::string_view from, std::string_view to, int32_t date) {
        rates::RatesTable table;
        if (Status loaded = table.Load(ledger.GetContext()); !loaded.ok())
            Fail(loaded.kind(), loaded.message());
        return table.Rate(from, to, date);
    };
}

std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : ", ") + item;
    return out;
}

// The schedule list item a --schedule name selects, by the page's prefix rule.
std::string ChosenSchedule(const CAdmComisiones& adm, const std::string& name) {
    auto items = ScheduleListItems(adm);
    if (auto item = SelectByPrefix(items, name)) return *item;
    if (items.empty()) FailUsage("no commission schedule '" + name + "': there are none");
    FailUsage("no commission schedule begins with '" + name + "' (schedules: " + Joined(items) +
              ")");
}

// The contracts box holding exactly the quantity the option names.
std::string ContractsText(const std::string& text) {
    const Quantity q = ReadQuantity("--contracts", text);
    if (q <= 0) FailUsage("--contracts must be more than 0, not '" + text + "'");
    return EditQuantityText(q);
}

// The page as it opens: fresh for a new order, or on the movement being modified.
BuySellPage OpenPage(const Context& ctx, const CAdmComisiones& adm, const COrderCartera* m,
                     bool buy) {
    if (m != nullptr) return ModifyPage(adm, *m);
    BuySellPage p;
    p.schedule = DefaultScheduleItem(adm);
    p.buy = buy;
    p.symbolDecimals = 2;
    p.when = Now(ctx);
    return p;
}

// Fails with a usage error naming the field when the movement is outside what entry takes.
void RequireEntryBounds(const COrderCartera& m) {
    if (EntryRefusal refusal = CheckEntryBounds(m)) FailUsage(refusal.message);
}

std::time_t StartTime(const Context& ctx, const COrderCartera* m) {
    return m ? CTimeLong::GetTime(m->date, m->time) : Now(ctx);
}

// Import refuses a row without a code too: a movement without one cannot be quoted.
void RequireCode(const MovementOptions& o) {
    if (o.code.Given() && Trim(o.code.value).empty()) FailUsage("--code must not be empty");
}

}  // namespace

void AddExecutionOptions(CLI::App* sub, MovementOptions& o, bool required) {
    AddText(sub, "--code", o.code, "quote code of the security")->required(required);
    AddText(sub, "--symbol", o.symbol, "display name (a new movement: the code)");
    AddText(sub, "--contracts", o.contracts,
            "number of contracts, more than 0 (fractions too: 0.5)")
        ->required(required);
    AddText(sub, "--price", o.price, "price per contract")->required(required);
    auto* schedule = AddText(sub, "--schedule", o.schedule,
                             "commission schedule: the first whose name begins with this");
    auto* commission =
        AddText(sub, "--commission", o.commission, "commission amount typed by hand (no schedule)");
    schedule->excludes(commission);
    AddText(sub, "--group", o.group, "group word");
    AddText(sub, "--decimals", o.decimals, "decimals of the security (a new movement: 2)");
}

void AddCashOptions(CLI::App* sub, MovementOptions& o, bool required) {
    if (required) {
        AddText(sub, "--type", o.type, "imposition, refund, deposit or expense")->required();
    }
    AddText(sub, "--amount", o.amount, "amount of the movement")->required(required);
    AddText(sub, "--description", o.description, "description");
}

void AddDividendOptions(CLI::App* sub, MovementOptions& o, bool required) {
    AddText(sub, "--code", o.code, "quote code of the security")->required(required);
    AddText(sub, "--symbol", o.symbol, "display name (a new movement: the code)");
    AddText(sub, "--shares", o.shares, "number of shares")->required(required);
    AddText(sub, "--per-share", o.perShare, "dividend per share")->required(required);
    AddText(sub, "--group", o.group, "group word");
    AddText(sub, "--decimals", o.decimals, "decimals of the security (a new movement: 2)");
}

void AddWhenOptions(CLI::App* sub, MovementOptions& o) {
    AddText(sub, "--date", o.date, "date as YYYY-MM-DD (default: today)");
    AddText(sub, "--time", o.time, "time of day as HH:MM:SS (default: now)");
}

void AddCurrencyOptions(CLI::App* sub, MovementOptions& o) {
    AddText(sub, "--currency", o.currency,
            "currency of the movement, e.g. USD (default: the portfolio's)");
    AddText(sub, "--rate", o.rate,
            "units of the portfolio's currency one unit of --currency buys (default: the rates "
            "table's for the movement's date)");
}

void ApplyCurrencyOptions(const CSistemaCartera& ledger, const MovementOptions& o,
                          COrderCartera& m) {
    std::optional<double> rate;
    if (o.rate.Given()) rate = ReadNumber("--rate", o.rate.value);
    const EntryRefusal refusal = SetMovementCurrency(
        ledger.GetCurrency(), o.currency.Given() ? o.currency.value : std::string(), rate,
        TableLookup(ledger), m);
    if (refusal) FailUsage(refusal.message);
}

void AddExchangeOptions(CLI::App* sub, MovementOptions& o) {
    AddText(sub, "--from", o.from, "the currency sold, e.g. EUR")->required();
    AddText(sub, "--sold", o.sold, "the amount sold")->required();
    AddText(sub, "--into", o.into, "the currency bought, e.g. USD")->required();
    AddText(sub, "--bought", o.bought, "the amount bought")->required();
    AddText(sub, "--rate", o.rate,
            "the bought currency's rate to the portfolio's, when neither side is the "
            "portfolio's (default: the rates table's)");
    AddWhenOptions(sub, o);
}

COrderCartera ExchangeMovement(const CSistemaCartera& ledger, const MovementOptions& o) {
    const double sold = ReadNumber("--sold", o.sold.value);
    const double bought = ReadNumber("--bought", o.bought.value);
    std::optional<double> rate;
    if (o.rate.Given()) rate = ReadNumber("--rate", o.rate.value);
    COrderCartera m = BuildCashMovement(
        kExchange, "", 0, ResolveWhen(o.date, o.time, StartTime(ledger.GetContext(), nullptr)),
        kNoId);
    const EntryRefusal refusal = SetExchange(ledger.GetCurrency(), {o.from.value, sold},
                                             {o.into.value, bought}, rate, TableLookup(ledger), m);
    if (refusal) FailUsage(refusal.message);
    return m;
}

int32_t CashType(const std::string& word) {
    for (const auto& [name, type] : kCashTypes)
        if (word == name) return type;
    FailUsage("--type must be imposition, refund, deposit or expense, not '" + word + "'");
}

std::string TypeName(int32_t type) {
    if (type == kBuy) return "buy";
    if (type == kSell) return "sell";
    if (type == kDividend) return "dividend";
    if (type == kExchange) return "exchange";
    for (const auto& [name, t] : kCashTypes)
        if (type == t) return name;
    for (const auto& [name, t] : kActionTypes)
        if (type == t) return name;
    return "movement of type " + std::to_string(type);
}

void CheckOptionsApply(const MovementOptions& o, int32_t type) {
    bool execution = type == kBuy || type == kSell;
    bool dividend = type == kDividend;
    bool action = type >= kSplit && type <= kMerger;
    bool cash = !execution && !dividend && !action;
    const std::pair<const TextOption*, bool> options[] = {
        {&o.code, execution || dividend || action},
        {&o.symbol, execution || dividend || action},
        {&o.ratio, action},
        {&o.to, action},
        {&o.costShare, action},
        {&o.contracts, execution},
        {&o.price, execution},
        {&o.schedule, execution},
        {&o.commission, execution},
        {&o.group, execution || dividend},
        {&o.decimals, execution || dividend},
        {&o.amount, cash},
        {&o.description, cash},
        {&o.shares, dividend},
        {&o.perShare, dividend},
    };
    for (const auto& [opt, applies] : options) {
        if (opt->Given() && !applies)
            FailUsage(opt->option->get_name() + " does not apply to a " + TypeName(type));
    }
}

COrderCartera ExecutionMovement(const CSistemaCartera& ledger, const MovementOptions& o,
                                const COrderCartera* modifying, bool buy) {
    const CAdmComisiones& adm = *ledger.GetAdmComisiones();
    RequireCode(o);
    BuySellPage p = OpenPage(ledger.GetContext(), adm, modifying, buy);
    if (o.code.Given()) p.code = o.code.value;
    if (o.symbol.Given()) {
        p.symbol = o.symbol.value;
    } else if (modifying == nullptr) {
        p.symbol = p.code;
    }
    if (o.decimals.Given()) p.symbolDecimals = ReadDecimals("--decimals", o.decimals.value);
    if (o.contracts.Given()) p.contractsText = ContractsText(o.contracts.value);
    if (o.price.Given()) p.priceText = BoxText(ReadNumber("--price", o.price.value));
    if (o.group.Given()) p.group = o.group.value;
    if (o.schedule.Given()) {
        p.schedule = ChosenSchedule(adm, o.schedule.value);
    } else if (o.commission.Given()) {
        p.schedule.reset();
        p.commissionText = BoxText(ReadNumber("--commission", o.commission.value));
    }
    p.when = ResolveWhen(o.date, o.time, p.when);
    std::optional<COrderCartera> m = BuildBuySell(ledger, p);
    if (!m)
        FailUsage("contracts must be more than 0 and at most 2147483647, not " + p.contractsText);
    RequireEntryBounds(*m);
    return *m;
}

COrderCartera CashMovement(const Context& ctx, const MovementOptions& o,
                           const COrderCartera* modifying, int32_t type) {
    double amount = modifying ? modifying->price : 0.0;
    std::string description = modifying ? modifying->symbol : std::string();
    if (o.amount.Given()) amount = ReadNumber("--amount", o.amount.value);
    if (o.description.Given()) description = o.description.value;
    std::time_t when = ResolveWhen(o.date, o.time, StartTime(ctx, modifying));
    COrderCartera m =
        BuildCashMovement(type, description, amount, when, modifying ? modifying->id : kNoId);
    RequireEntryBounds(m);
    return m;
}

COrderCartera DividendMovement(const Context& ctx, const MovementOptions& o,
                               const COrderCartera* modifying) {
    RequireCode(o);
    std::string code = modifying ? modifying->quoteCode : std::string();
    std::string symbol = modifying ? modifying->symbol : std::string();
    int decimals = modifying ? modifying->decimals : 2;
    Quantity shares = modifying ? modifying->contracts : Quantity();
    double perShare = modifying ? modifying->price : 0.0;
    std::string group = modifying ? modifying->group : std::string();
    if (o.code.Given()) code = o.code.value;
    if (o.symbol.Given()) {
        symbol = o.symbol.value;
    } else if (modifying == nullptr) {
        symbol = code;
    }
    if (o.decimals.Given()) decimals = ReadDecimals("--decimals", o.decimals.value);
    if (o.shares.Given()) shares = ReadQuantity("--shares", o.shares.value);
    if (o.perShare.Given()) perShare = ReadNumber("--per-share", o.perShare.value);
    if (o.group.Given()) group = o.group.value;
    std::time_t when = ResolveWhen(o.date, o.time, StartTime(ctx, modifying));
    COrderCartera m = BuildDividend(symbol, code, decimals, shares, perShare, group, when,
                                    modifying ? modifying->id : kNoId);
    RequireEntryBounds(m);
    return m;
}

void AddActionOptions(CLI::App* sub, MovementOptions& o, int32_t type) {
    AddText(sub, "--code", o.code, "quote code of the security")->required();
    AddText(sub, "--symbol", o.symbol, "display name after the action (default: its code)");
    if (TakesNewCode(type))
        AddText(sub, type == kRename ? "--to" : "--new", o.to, "quote code after the action")
            ->required();
    if (TakesRatio(type)) {
        auto* ratio = AddText(sub, "--ratio", o.ratio,
                              "new:old, as 4:1 (4 new for 1 old) or 1:10 (1 new for 10 old)");
        ratio->required(type != kStockDividend);
        if (type == kStockDividend)
            ratio->excludes(AddText(sub, "--shares", o.shares, "the new shares, for a ratio"));
    }
    if (type == kSpinOff)
        AddText(sub, "--cost-share", o.costShare,
                "share of the parent's cost the new lots take, from 0 to 1")
            ->required();
    if (type == kSplit || type == kMerger) {
        AddText(sub, "--cash-in-lieu", o.cashInLieu, "cash paid for a fraction of a new share");
        AddText(sub, "--fraction", o.fraction,
                "the fraction paid in cash (default: what the position leaves)")
            ->needs(sub->get_option("--cash-in-lieu"));
    }
    AddWhenOptions(sub, o);
}

void AddActionChangeOptions(CLI::App* sub, MovementOptions& o) {
    AddText(sub, "--ratio", o.ratio, "an action's ratio new:old, as 4:1");
    AddText(sub, "--to", o.to, "an action's code after it (rename, spin-off, merger)");
    AddText(sub, "--cost-share", o.costShare, "a spin-off's share of the parent's cost");
}

COrderCartera ModifiedAction(const CSistemaCartera& ledger, const MovementOptions& o,
                             const COrderCartera& old) {
    ActionTerms terms;
    std::string why;
    if (!ParseTerms(old.terms, &terms, &why)) FailUsage("the action's terms: " + why);
    if (o.ratio.Given() && !ParseRatio(o.ratio.value, &terms.ratioNew, &terms.ratioOld, &why))
        FailUsage("--ratio " + o.ratio.value + ": " + why);
    if (o.to.Given()) {
        if (!TakesNewCode(old.type) || Trim(o.to.value).empty())
            FailUsage("--to names the code after a rename, a spin-off or a merger, not '" +
                      o.to.value + "'");
        terms.newCode = o.to.value;
    }
    if (o.costShare.Given()) {
        if (old.type != kSpinOff) FailUsage("--cost-share applies to a spin-off only");
        terms.costShare = ReadQuantity("--cost-share", o.costShare.value);
        if (terms.costShare < 0 || terms.costShare > 1)
            FailUsage("--cost-share must be from 0 to 1, not '" + o.costShare.value + "'");
    }
    const std::string code = o.code.Given() ? o.code.value : old.quoteCode.str();
    const std::string symbol = o.symbol.Given() ? o.symbol.value : old.symbol.str();
    const std::time_t when = ResolveWhen(o.date, o.time, CTimeLong::GetTime(old.date, old.time));
    COrderCartera m = BuildAction(old.type, code, symbol, terms, when, Quantity(), 0.0);
    m.contracts = old.contracts;  // the cash in lieu as it was paid
    m.price = old.price;
    m.id = old.id;
    RequireEntryBounds(m);
    return m;
}

bool ActionNeedsPosition(const MovementOptions& o) {
    return o.cashInLieu.Given() && !o.fraction.Given();
}

COrderCartera ActionMovement(const CSistemaCartera& ledger, const MovementOptions& o,
                             int32_t type) {
    RequireCode(o);
    ActionTerms terms;
    std::string why;
    if (o.ratio.Given() && !ParseRatio(o.ratio.value, &terms.ratioNew, &terms.ratioOld, &why))
        FailUsage("--ratio " + o.ratio.value + ": " + why);
    if (type == kStockDividend && !o.ratio.Given() && !o.shares.Given())
        FailUsage("a stock dividend takes --ratio or --shares");
    if (o.to.Given() && Trim(o.to.value).empty())
        FailUsage(o.to.option->get_name() + " must not be empty");
    terms.newCode = o.to.value;
    if (o.costShare.Given()) {
        terms.costShare = ReadQuantity("--cost-share", o.costShare.value);
        if (terms.costShare < 0 || terms.costShare > 1)
            FailUsage("--cost-share must be from 0 to 1, not '" + o.costShare.value + "'");
    }
    const std::time_t when = ResolveWhen(o.date, o.time, Now(ledger.GetContext()));
    Quantity contracts;
    double amount = 0.0;
    if (o.shares.Given()) {
        contracts = ReadQuantity("--shares", o.shares.value);
        if (contracts <= 0) FailUsage("--shares must be more than 0, not '" + o.shares.value + "'");
    }
    COrderCartera m = BuildAction(type, o.code.value, o.symbol.value, terms, when, contracts, 0.0);
    if (o.cashInLieu.Given()) {
        amount = ReadNumber("--cash-in-lieu", o.cashInLieu.value);
        contracts = o.fraction.Given() ? ReadQuantity("--fraction", o.fraction.value)
                                       : FractionLeft(ledger.GetOpenTrades(), m);
        if (contracts <= 0 || amount < 0)
            FailUsage(
                "cash in lieu needs a fraction above 0 (--fraction) and an amount of 0 "
                "or more");
        m = BuildAction(type, o.code.value, o.symbol.value, terms, when, contracts, amount);
    }
    RequireEntryBounds(m);
    return m;
}

}  // namespace cartera::cli
