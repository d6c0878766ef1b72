#include "statements/actions.h"

#include <cmath>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "host/dates.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/action.h"
#include "statements/reading.h"
#include "text/number.h"

namespace cartera::statements {
namespace {

// The ratio a description writes as "N FOR M" ("ABC SPLIT 4 FOR 1"), as "N:M"; empty when
// it writes none.
std::string RatioInText(std::string_view text) {
    std::vector<std::string_view> words;
    for (std::string_view rest = Trim(text); !rest.empty();) {
        const size_t end = std::min(rest.find(' '), rest.size());
        words.push_back(rest.substr(0, end));
        rest = Trim(rest.substr(end));
    }
    Quantity n, o;
    for (size_t i = 1; i + 1 < words.size(); ++i) {
        if (LowerAscii(words[i]) != "for") continue;
        std::string ratio = std::string(words[i - 1]) + ":" + std::string(words[i + 1]);
        if (ParseRatio(ratio, &n, &o, nullptr)) return ratio;
    }
    return {};
}

// The shares of rows, whatever their sign.
Quantity Sum(const std::vector<const StatementRow*>& rows) {
    Quantity sum;
    for (const StatementRow* r : rows) sum += Magnitude(r->quantity);
    return sum;
}

struct Group {
    std::vector<const StatementRow*> out, in, cash;
};

// The action row of a group, or why it cannot be read.
std::string Net(const Group& g, StatementRow* row) {
    const std::string& code = row->actionCode;
    const StatementRow* from = g.out.empty() ? nullptr : g.out.front();
    const StatementRow* to = g.in.empty() ? nullptr : g.in.front();
    if (code == "SO") return "a spin-off's share of the parent's cost is not in the statement";
    if (code == "FS" || code == "SD") {
        if (!to && code == "SD") return "no shares received";
        if (code == "SD") {
            row->action = kStockDividend;
            row->quantity = Sum(g.in);
        } else {
            row->action = kSplit;
            row->ratio = RatioInText(row->description);
            if (row->ratio.empty()) return "no ratio written as N FOR M";
        }
        if (to) std::tie(row->symbol, row->security) = std::tie(to->symbol, to->security);
        if (code == "FS") row->quantity = Quantity();  // the shares it adds follow from the ratio
        row->amount = row->realized = 0;
        return {};
    }
    if (code != "RS" && code != "FI" && code != "IC" && code != "TC")
        return "a kind of action Cartera does not read";
    if (!from || !to)
        return code == "TC" ? "a merger for cash: enter it as a sell" : "shares out or in missing";
    std::tie(row->symbol, row->security) = std::tie(from->symbol, from->security);
    const bool moves = from->security != to->security || from->symbol != to->symbol;
    if (code == "IC") {
        if (!moves) return "the same security before and after";
        row->action = kRename;
    } else {
        row->action = moves ? kMerger : kSplit;
        row->ratio = RatioInText(row->description);
        if (row->ratio.empty()) row->ratio = RatioOfShares(Sum(g.in) + Sum(g.cash), Sum(g.out));
        if (row->ratio.empty()) return "no ratio";
    }
    if (moves) std::tie(row->newSymbol, row->newSecurity) = std::tie(to->symbol, to->security);
    row->quantity = Sum(g.cash);
    row->amount = row->realized = 0;
    for (const StatementRow* c : g.cash) {
        row->amount += c->amount;
        row->realized += c->realized;
    }
    return {};
}

}  // namespace

void NetFlexActions(Statement* s) {
    using Key = std::tuple<std::string, std::string, int32_t, std::string>;
    std::map<Key, Group> groups;
    std::vector<Key> order;
    std::vector<StatementRow> rows;
    for (const StatementRow& r : s->rows) {
        if (r.kind != RowKind::action || r.action != 0) continue;
        const Key key{r.account, r.actionCode, r.date, r.description};
        auto [it, added] = groups.try_emplace(key);
        if (added) order.push_back(key);
        (r.amount != 0    ? it->second.cash
         : r.quantity < 0 ? it->second.out
                          : it->second.in)
            .push_back(&r);
    }
    for (const Key& key : order) {
        const Group& g = groups[key];
        const StatementRow* first = !g.out.empty()  ? g.out.front()
                                    : !g.in.empty() ? g.in.front()
                                                    : g.cash.front();
        StatementRow row = *first;
        const std::string why = Net(g, &row);
        if (why.empty()) {
            rows.push_back(row);
            continue;
        }
        s->notes.push_back({first->line, IsoDate(first->date) + " " + first->symbol +
                                             ": corporate action " + first->actionCode + " (" +
                                             first->description + ") not applied: " + why +
                                             "; enter it by hand"});
    }
    std::erase_if(s->rows, [](const StatementRow& r) { return r.kind == RowKind::action; });
    s->rows.insert(s->rows.end(), rows.begin(), rows.end());
}

std::string RatioOfShares(Quantity in, Quantity out) {
    if (!(in > 0) || !(out > 0)) return {};
    __int128 a = in.Units(), b = out.Units();
    while (b != 0) a = std::exchange(b, a % b);
    // In lowest terms both are whole numbers; a ratio's part is at most 10^9.
    constexpr __int128 kLargestPart = 1'000'000'000;
    const __int128 n = in.Units() / a, o = out.Units() / a;
    if (n > kLargestPart || o > kLargestPart) return {};
    const std::string ratio = Quantity::FromUnits(n * Quantity::kScale).Text() + ":" +
                              Quantity::FromUnits(o * Quantity::kScale).Text();
    Quantity ratioNew, ratioOld;
    return ParseRatio(ratio, &ratioNew, &ratioOld, nullptr) ? ratio : std::string();
}

void NetSplitPairs(Statement* statement, std::string_view what) {
    std::vector<StatementRow>& rows = statement->rows;
    // The halves of one split share the moment and the security.
    std::map<std::tuple<int32_t, int32_t, std::string>, std::vector<size_t>> halves;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].kind == RowKind::action && rows[i].action == kSplit && rows[i].ratio.empty())
            halves[{rows[i].date, rows[i].time,
                    rows[i].security.empty() ? rows[i].symbol : rows[i].security}]
                .push_back(i);
    std::vector<char> drop(rows.size(), 0);
    for (const auto& [key, group] : halves) {
        std::string ratio;
        if (group.size() == 2 && (rows[group[0]].quantity < 0) != (rows[group[1]].quantity < 0)) {
            const StatementRow& a = rows[group[0]];
            const StatementRow& b = rows[group[1]];
            const StatementRow& in = a.quantity > 0 ? a : b;
            ratio = RatioOfShares(in.quantity, Magnitude((a.quantity > 0 ? b : a).quantity));
        }
        for (size_t i : group) drop[i] = 1;
        if (!ratio.empty()) {
            StatementRow& split = rows[group[0]];
            split.ratio = ratio;
            split.quantity = Quantity();  // the shares follow from the ratio
            drop[group[0]] = 0;
            continue;
        }
        for (size_t i : group)
            statement->notes.push_back(
                {rows[i].line, std::string(what) + " of " + rows[i].symbol + " (" +
                                   rows[i].quantity.Text() +
                                   " shares) not applied: its rows out and in do not give "
                                   "a ratio; enter it by hand"});
    }
    std::vector<StatementRow> kept;
    kept.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        if (!drop[i]) kept.push_back(std::move(rows[i]));
    rows = std::move(kept);
}

}  // namespace cartera::statements
