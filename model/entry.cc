#include "model/entry.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "commissions/comisiones.h"
#include "host/dates.h"
#include "host/numbers.h"
#include "model/sistema.h"
#include "text/number.h"

namespace cartera {

std::string FormatFixed(double value, int decimals) {
    // to_chars: the same text whatever locale the process runs under (the workstation's
    // toolkit sets the user's).
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed,
                             std::clamp(decimals, 0, 15));
    return std::string(buf, res.ptr);
}

std::vector<std::string> ScheduleListItems(const CAdmComisiones& adm) {
    CArrayComisiones firsts;
    adm.GetFirstOfEachName(4, firsts);
    std::vector<std::string> items;
    for (const auto& r : firsts) items.push_back(r.name);
    // The list sorts as the platform's sorted lists do: without regard to case.
    std::stable_sort(items.begin(), items.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
    });
    return items;
}

std::optional<std::string> SelectByPrefix(const std::vector<std::string>& items,
                                          const std::string& name) {
    for (const auto& item : items) {
        if (item.size() < name.size()) continue;
        bool match = true;
        for (size_t i = 0; i < name.size() && match; ++i)
            match = std::tolower(static_cast<unsigned char>(item[i])) ==
                    std::tolower(static_cast<unsigned char>(name[i]));
        if (match) return item;
    }
    return std::nullopt;
}

std::optional<std::string> DefaultScheduleItem(const CAdmComisiones& adm) {
    auto items = ScheduleListItems(adm);
    if (items.empty()) return std::nullopt;
    std::string def = adm.GetDefaultName(4);
    if (def.empty()) return items.front();
    auto chosen = SelectByPrefix(items, def);
    return chosen ? chosen : std::nullopt;
}

std::string UnpriceableReason(const COrderCartera& m) {
    const bool counted = m.IsExecution() || m.type == kDividend;
    if (m.contracts < 0) return "the contracts must not be negative";
    if (counted && m.contracts == 0) return "the contracts must be more than 0";
    const double n = m.contracts.ToDouble();
    for (double v : {m.price, m.commission, m.price * n, m.commission * n,
                     m.price * n + m.commission * n, m.price * n * m.pointValue, m.guarantee}) {
        if (!std::isfinite(v)) return "the price or commission is too large or not a number";
    }
    return {};
}

EntryRefusal CheckEntryBounds(const COrderCartera& m) {
    const bool cash = !m.IsExecution() && m.type != kDividend;
    if (m.contracts < 0) return {EntryField::contracts, "the contracts must not be negative"};
    if (!cash && m.contracts == 0)
        return {EntryField::contracts, "the contracts must be more than 0"};
    if (m.contracts > kMaxEntryContracts)
        return {EntryField::contracts, "the contracts must be at most 2,147,483,647"};
    const EntryField priceField = cash ? EntryField::amount : EntryField::price;
    const char* priceName = cash ? "the amount" : "the price";
    auto outside = [](double v) { return !std::isfinite(v) || std::fabs(v) > kMaxEntryAmount; };
    if (outside(m.price))
        return {priceField, std::string(priceName) + " must be a number up to 1e12"};
    if (outside(m.commission))
        return {EntryField::commission, "the commission must be a number up to 1e12"};
    const double n = m.contracts.ToDouble();
    if (outside(m.price * n) || outside(m.commission * n) || outside(m.guarantee))
        return {EntryField::amount, "the total amount must be a number up to 1e12"};
    return {};
}

std::string OverflowedTotal(const CSistemaCartera& ledger) {
    const std::pair<const char*, double> totals[] = {
        {"the capital", ledger.GetCapital()},
        {"the amount invested", ledger.GetInvertido()},
        {"the open profit", ledger.GetGanAbiertas()},
        {"the closed profit", ledger.GetGanCerradas()},
        {"the impositions", ledger.GetImposiciones()},
        {"the deposits", ledger.GetIngresos()},
        {"the refunds", ledger.GetReintegros()},
        {"the expenses", ledger.GetGastos()},
        {"the dividends", ledger.GetDividendos()},
        {"the guarantees", ledger.GetGarantias()},
    };
    for (const auto& [name, value] : totals)
        if (!std::isfinite(value)) return name;
    for (const auto* trades : {&ledger.GetClosedTrades(), &ledger.GetOpenTrades()}) {
        const char* kind = trades == &ledger.GetClosedTrades() ? "closed" : "open";
        for (const CNegocioC& t : *trades) {
            if (!std::isfinite(t.profit) || !std::isfinite(t.percentage))
                return std::string("the result of the ") + kind + " trade of movement " +
                       std::to_string(t.id);
        }
    }
    return {};
}

std::optional<PositionOvershoot> FindOvershoot(const CSistemaCartera& ledger,
                                               const std::string& code, bool buy,
                                               Quantity contracts) {
    auto same = [&code](std::string_view other) {
        return std::equal(
            code.begin(), code.end(), other.begin(), other.end(),
            [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
    };
    Quantity net;  // long contracts minus short ones
    for (const CNegocioC& t : ledger.GetOpenTrades())
        if (same(t.quoteCode.str())) net += t.isLong ? t.contracts : -t.contracts;
    // Matching leaves one side open per code, so what the order meets is all of it.
    const Quantity held = buy ? -net : net;
    if (contracts <= 0 || held < 0 || contracts <= held || (buy && held == 0)) return std::nullopt;
    return PositionOvershoot{contracts, held, contracts - held};
}

std::optional<Quantity> ReadContracts(const std::string& text) {
    Quantity q;
    if (!ParseQuantityInLanguage(text, &q)) return std::nullopt;
    return q;
}

BuySellPage ModifyPage(const CAdmComisiones& adm, const COrderCartera& m) {
    BuySellPage p;
    p.code = m.quoteCode;
    p.symbol = m.symbol;
    p.symbolDecimals = m.decimals;
    p.group = m.group;
    p.contractsText = EditQuantityText(m.contracts);
    p.priceText = FullNumberText(m.price, m.decimals);
    p.pageDecimals = m.decimals;
    p.buy = m.buy != 0;
    p.when = CTimeLong::GetTime(m.date, m.time);
    if (!m.schedule.empty()) p.schedule = SelectByPrefix(ScheduleListItems(adm), m.schedule);
    p.commissionText = FullNumberText(m.commission * m.contracts.ToDouble(), m.decimals);
    p.modifyingId = m.id;
    p.before = m;
    return p;
}

bool RepricesCommission(const BuySellPage& page) {
    if (!page.schedule) return false;
    if (!page.before) return true;
    const COrderCartera& b = *page.before;
    return ReadContracts(page.contractsText) != b.contracts ||
           ReadNumberPrefix(page.priceText) != b.price || b.schedule.empty() ||
           !SelectByPrefix({*page.schedule}, b.schedule);
}

namespace {
double PageGross(const BuySellPage& page) {
    return ReadNumberPrefix(page.priceText) *
           ReadContracts(page.contractsText).value_or(Quantity()).ToDouble();
}
// The commission total of the page, and whether a schedule priced it.
std::pair<double, bool> PageCommission(const CAdmComisiones& adm, const BuySellPage& page,
                                       double gross) {
    if (RepricesCommission(page)) return {adm.CalculateCommission(*page.schedule, gross, 4), true};
    if (page.schedule) return {page.before->commission * page.before->contracts.ToDouble(), false};
    return {ReadNumberPrefix(page.commissionText), false};
}
}  // namespace

BuySellAmounts UpdateAmounts(const CAdmComisiones& adm, const BuySellPage& page) {
    double gross = PageGross(page);
    auto [commission, priced] = PageCommission(adm, page, gross);
    double total = page.buy ? gross + commission : gross - commission;
    // A commission priced by a schedule shows rounded; one typed or kept shows whole, so
    // that it reads back the same.
    return {FormatFixed(gross, page.pageDecimals),
            priced ? FormatFixed(commission, page.pageDecimals)
                   : FullNumberText(commission, page.pageDecimals),
            FormatFixed(total, page.pageDecimals)};
}

std::optional<COrderCartera> BuildBuySell(const CSistemaCartera& ledger, const BuySellPage& page) {
    std::optional<Quantity> read = ReadContracts(page.contractsText);
    if (!read || *read <= 0 || *read > kMaxEntryContracts) return std::nullopt;
    const Quantity contracts = *read;
    // The commission box's text, or what the page shows in it (only that amount is needed).
    std::string commissionText = page.commissionBox.value_or(std::string());
    if (!page.commissionBox)
        commissionText = UpdateAmounts(*ledger.GetAdmComisiones(), page).commission;
    const double commission = ReadNumberPrefix(commissionText);
    // The movement's commission kept as it was: the box still holds it, for its contracts.
    const COrderCartera* before = page.before ? &*page.before : nullptr;
    const bool kept = before && contracts == before->contracts &&
                      commission == before->commission * before->contracts.ToDouble();
    COrderCartera m;
    m.symbol = page.symbol;
    m.quoteCode = page.code;
    m.decimals = static_cast<uint8_t>(page.symbolDecimals);
    m.contracts = contracts;
    m.buy = page.buy ? 1 : 0;
    m.price = ReadNumberPrefix(page.priceText);
    m.commission = kept ? before->commission : commission / contracts.ToDouble();
    m.schedule = page.schedule.value_or(kept ? std::string(before->schedule) : std::string());
    m.group = page.group;
    m.pointValue = 1.0;
    m.guarantee = 0.0;
    m.reserved = 0;
    m.closing = 1;
    m.storedWord = 0;
    m.balance = ledger.GetUltimoSaldo(m);
    CTime when{page.when};
    m.date = FctimeToFn(when);
    m.time = HctimeToHn(when);
    m.type = page.buy ? kBuy : kSell;
    if (page.modifyingId != kNoId) m.id = page.modifyingId;
    return m;
}

namespace {
// What every page of the other-operations sheet records alike.
COrderCartera OtherOperation(int32_t type, std::time_t when, uint64_t modifyingId) {
    COrderCartera m;
    m.closing = 1;
    m.storedWord = 0;
    m.commission = 0.0;
    m.pointValue = 1.0;
    m.guarantee = 0.0;
    CTime t{when};
    m.date = FctimeToFn(t);
    m.time = HctimeToHn(t);
    m.type = type;
    if (modifyingId != kNoId) m.id = modifyingId;
    return m;
}
}  // namespace

COrderCartera BuildCashMovement(int32_t type, const std::string& description, double amount,
                                std::time_t when, uint64_t modifyingId) {
    COrderCartera m = OtherOperation(type, when, modifyingId);
    m.symbol = description;
    m.quoteCode = description;
    m.price = amount;
    m.contracts = 1;
    m.buy = 1;
    return m;
}

COrderCartera BuildDividend(const std::string& symbol, const std::string& code, int decimals,
                            Quantity contracts, double perShare, const std::string& group,
                            std::time_t when, uint64_t modifyingId) {
    COrderCartera m = OtherOperation(kDividend, when, modifyingId);
    m.symbol = symbol;
    m.quoteCode = code;
    m.decimals = static_cast<uint8_t>(decimals);
    m.contracts = contracts;
    m.price = perShare;
    m.buy = 0;
    m.group = group;
    return m;
}

}  // namespace cartera
