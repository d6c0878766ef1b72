#include "model/action.h"

#include <algorithm>
#include <utility>

#include "host/dates.h"
#include "host/strings.h"
#include "text/number.h"

namespace cartera {

namespace {

// The largest part of a ratio: a count scaled by it stays far inside 128 bits.
constexpr __int128 kLargestRatioPart = __int128{1'000'000'000} * Quantity::kScale;
// Scaled units are kept within this: only crafted journals reach it.
constexpr __int128 kScaledBound = __int128{1} << 120;

bool Fail(std::string* why, std::string_view reason) {
    if (why) *why = reason;
    return false;
}

__int128 Gcd(__int128 a, __int128 b) {
    while (b != 0) a = std::exchange(b, a % b);
    return a;
}

}  // namespace

bool TakesRatio(int32_t type) {
    return type == kSplit || type == kStockDividend || type == kSpinOff || type == kMerger;
}
bool TakesNewCode(int32_t type) { return type == kRename || type == kSpinOff || type == kMerger; }

bool ParseRatio(std::string_view text, Quantity* ratioNew, Quantity* ratioOld, std::string* why) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return Fail(why, "a ratio is written new:old, as 4:1");
    Quantity n, o;
    if (!ReadQuantity(text.substr(0, colon), kDecimalNumber, &n) ||
        !ReadQuantity(text.substr(colon + 1), kDecimalNumber, &o))
        return Fail(why, "a ratio's parts are plain numbers, as 4:1 or 1:10");
    if (n <= 0 || o <= 0) return Fail(why, "a ratio's parts must be above 0");
    if (n.Units() > kLargestRatioPart || o.Units() > kLargestRatioPart)
        return Fail(why, "a ratio's parts must be at most 1000000000");
    *ratioNew = n;
    *ratioOld = o;
    return true;
}

std::string FormatTerms(int32_t type, const ActionTerms& terms) {
    std::string text;
    auto word = [&](const std::string& w) { text += (text.empty() ? "" : " ") + w; };
    if (TakesRatio(type)) word(terms.ratioNew.Text() + ":" + terms.ratioOld.Text());
    if (TakesNewCode(type)) word("to=" + terms.newCode);
    if (type == kSpinOff) word("cost=" + terms.costShare.Text());
    return text;
}

bool ParseTerms(std::string_view text, ActionTerms* out, std::string* why) {
    ActionTerms terms;
    for (std::string_view rest = Trim(text); !rest.empty();) {
        const size_t end = std::min(rest.find(' '), rest.size());
        const std::string_view w = rest.substr(0, end);
        rest = Trim(rest.substr(end));
        if (w.starts_with("to=")) {
            terms.newCode = w.substr(3);
        } else if (w.starts_with("cost=")) {
            if (!ReadQuantity(w.substr(5), kDecimalNumber, &terms.costShare) ||
                terms.costShare < 0 || terms.costShare > 1)
                return Fail(why, "a cost share is a number from 0 to 1");
        } else if (!ParseRatio(w, &terms.ratioNew, &terms.ratioOld, why)) {
            return false;
        }
    }
    *out = terms;
    return true;
}

ActionRule::ActionRule(const COrderCartera& a) : action(a), codeAfter(a.quoteCode) {
    symbolAfter = a.symbol.empty() ? a.quoteCode : a.symbol;
    ActionTerms terms;
    if (!ParseTerms(a.terms, &terms)) return;
    const __int128 n = terms.ratioNew.Units(), o = terms.ratioOld.Units(), g = Gcd(n, o);
    ratioNew = n / g;
    ratioOld = o / g;
    priceFactor = static_cast<double>(ratioOld) / static_cast<double>(ratioNew);
    costShare = terms.costShare.ToDouble();
    if (TakesNewCode(a.type) && !terms.newCode.empty()) {
        codeAfter = terms.newCode;
        if (a.symbol.empty()) symbolAfter = codeAfter;
    }
}

bool ActionRule::MovesLots() const {
    return (action.type == kRename || action.type == kMerger) && codeAfter != action.quoteCode;
}

__int128 ActionRule::Scaled(__int128 units) const {
    // Whole multiples of the old part first, so the product stays small.
    const __int128 whole = units / ratioOld, part = units % ratioOld;
    if (whole > kScaledBound / ratioNew || whole < -kScaledBound / ratioNew)
        return whole < 0 ? -kScaledBound : kScaledBound;
    return whole * ratioNew + part * ratioNew / ratioOld;
}

void ActionRule::Adjust(COrderCartera& lot, __int128& units) const {
    if (action.type == kSplit || action.type == kMerger) {
        units = Scaled(units);
        lot.price *= priceFactor;
        lot.commission *= priceFactor;
    }
    if (action.type == kRename || action.type == kMerger) {
        lot.quoteCode = codeAfter;
        lot.symbol = symbolAfter;
    }
}

COrderCartera ActionRule::SplitOff(COrderCartera& parent, __int128 parentUnits,
                                   __int128* childUnits) const {
    COrderCartera child = parent;
    child.quoteCode = codeAfter;
    child.symbol = symbolAfter;
    child.price = parent.price * costShare * priceFactor;
    child.commission = parent.commission * costShare * priceFactor;
    parent.price *= 1.0 - costShare;
    parent.commission *= 1.0 - costShare;
    *childUnits = Scaled(parentUnits);
    return child;
}

COrderCartera ActionRule::DividendLot(__int128 held, __int128* units) const {
    COrderCartera lot = action;
    lot.type = kBuy;
    lot.buy = 1;
    lot.price = 0.0;
    lot.commission = 0.0;
    lot.symbol = symbolAfter;
    lot.terms = PooledText();
    *units = action.contracts > 0 ? action.contracts.Units() : Scaled(held);
    return lot;
}

bool ActionRule::PaysCashInLieu() const {
    return (action.type == kSplit || action.type == kMerger) && action.contracts > 0;
}

COrderCartera ActionRule::CashInLieuExit() const {
    COrderCartera exit = action;
    exit.type = kSell;
    exit.buy = 0;
    exit.quoteCode = codeAfter;
    exit.symbol = symbolAfter;
    exit.terms = PooledText();
    return exit;
}

ActionPreview PreviewAction(const TradeList& open, const COrderCartera& action) {
    const ActionRule rule(action);
    const std::string code = LowerAscii(action.quoteCode);
    ActionPreview preview;
    preview.before.code = action.quoteCode;
    auto add = [&](const COrderCartera& lot, __int128 units) {
        auto same = [&](const Holding& h) {
            return LowerAscii(h.code) == LowerAscii(lot.quoteCode);
        };
        auto it = std::find_if(preview.after.begin(), preview.after.end(), same);
        if (it == preview.after.end()) it = preview.after.insert(it, {lot.quoteCode, {}, 0.0});
        const Quantity q = Quantity::FromUnits(units);
        it->contracts += q;
        it->cost += (lot.price + lot.commission) * q.ToDouble();
    };
    __int128 held = 0;
    for (const CNegocioC& t : open) {
        if (LowerAscii(t.quoteCode) != code) continue;
        preview.before.contracts += t.contracts;
        preview.before.cost += (t.entryPrice + t.entryCommission) * t.contracts.ToDouble();
        COrderCartera lot;
        lot.quoteCode = t.quoteCode;
        lot.price = t.entryPrice;
        lot.commission = t.entryCommission;
        __int128 units = t.contracts.Units(), made = 0;
        held += units;
        if (action.type == kSpinOff) {
            const COrderCartera child = rule.SplitOff(lot, units, &made);
            add(lot, units);
            if (made > 0) add(child, made);
            continue;
        }
        if (action.type != kStockDividend) rule.Adjust(lot, units);
        add(lot, units);
    }
    if (action.type == kStockDividend) {
        __int128 units = 0;
        const COrderCartera lot = rule.DividendLot(held, &units);
        if (units > 0) add(lot, units);
    }
    if (rule.PaysCashInLieu())
        for (Holding& h : preview.after)
            if (LowerAscii(h.code) == LowerAscii(rule.codeAfter)) h.contracts -= action.contracts;
    return preview;
}

Quantity FractionLeft(const TradeList& open, const COrderCartera& action) {
    const ActionRule rule(action);
    for (const Holding& h : PreviewAction(open, action).after)
        if (LowerAscii(h.code) == LowerAscii(rule.codeAfter))
            return h.contracts - Quantity(h.contracts.WholePart());
    return {};
}

COrderCartera BuildAction(int32_t type, const std::string& code, const std::string& symbol,
                          const ActionTerms& terms, std::time_t when, Quantity contracts,
                          double amount) {
    COrderCartera m;
    m.type = type;
    m.closing = 1;
    m.pointValue = 1.0;
    m.quoteCode = code;
    m.symbol = !symbol.empty() ? symbol : TakesNewCode(type) ? terms.newCode : code;
    m.terms = FormatTerms(type, terms);
    const CTime t{when};
    m.date = FctimeToFn(t);
    m.time = HctimeToHn(t);
    if (contracts > 0) {
        m.contracts = contracts;
        m.price = amount / contracts.ToDouble();
    }
    return m;
}

PooledText QuotedCode(const COrderCartera& m) {
    if (m.IsExecution()) return m.quoteCode;
    ActionTerms terms;
    if (!m.IsAction() || !TakesNewCode(m.type) || !ParseTerms(m.terms, &terms)) return {};
    return PooledText(terms.newCode);
}

}  // namespace cartera
