// What importing a statement adds to a ledger: the account and currency chosen, the
// cancelled trades taken out, what the ledger holds already skipped, the rest as movements.
#include <algorithm>
#include <cctype>
#include <map>
#include <numeric>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "host/error.h"
#include "host/numbers.h"
#include "model/entry.h"
#include "model/sistema.h"
#include "statements/statement.h"
#include "statements/text.h"

namespace cartera::statements {
namespace {

std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& s : items) out += (out.empty() ? "" : ", ") + s;
    return out;
}

std::string Rows(size_t n) { return std::to_string(n) + (n == 1 ? " row" : " rows"); }

// The distinct non-empty values of a field, in the order the statement first shows them.
std::vector<std::string> Distinct(const std::vector<const StatementRow*>& rows,
                                  std::string StatementRow::*field) {
    std::vector<std::string> out;
    for (const StatementRow* row : rows) {
        const std::string& v = row->*field;
        if (!v.empty() && std::find(out.begin(), out.end(), v) == out.end()) out.push_back(v);
    }
    return out;
}

// Decimals to show a price with: its own, from 2 to 6.
uint8_t DecimalsOf(double price) {
    const std::string text = ExactNumberText(price);
    const size_t point = text.find('.');
    if (point == std::string::npos || text.find('e') != std::string::npos) return 2;
    return static_cast<uint8_t>(std::clamp<size_t>(text.size() - point - 1, 2, 6));
}

COrderCartera Movement(const StatementRow& row, const std::string& idPrefix) {
    COrderCartera m;
    m.closing = 1;
    m.reserved = 0;
    m.pointValue = 1.0;
    m.date = row.date;
    m.time = row.time;
    const std::string code = row.code.empty() ? row.symbol : row.code;
    const std::string text = row.description.empty() ? code : row.description;
    switch (row.kind) {
        case RowKind::trade:
        case RowKind::cancel:
            m.type = row.buy ? kBuy : kSell;
            m.buy = row.buy ? 1 : 0;
            m.contracts = static_cast<int32_t>(row.quantity);
            m.price = row.price;
            m.commission = row.commission / row.quantity;
            m.pointValue = row.multiplier;
            m.quoteCode = code;
            m.symbol = row.symbol.empty() ? code : row.symbol;
            m.decimals = DecimalsOf(row.price);
            break;
        case RowKind::dividend: {
            const bool perShare = row.rate > 0 && row.quantity >= 1 && IsWholeCount(row.quantity);
            m.type = kDividend;
            m.contracts = perShare ? static_cast<int32_t>(row.quantity) : 1;
            m.price = perShare ? row.rate : row.amount;
            m.quoteCode = code.empty() ? text : code;
            m.symbol = row.symbol.empty() ? m.quoteCode : PooledText(row.symbol);
            break;
        }
        default:
            m.type = row.kind == RowKind::expense      ? kExpense
                     : row.kind == RowKind::income     ? kDeposit
                     : row.kind == RowKind::imposition ? kImposition
                                                       : kRefund;
            m.buy = 1;
            m.contracts = 1;
            m.price = row.amount;
            m.quoteCode = text;
            m.symbol = text;
            break;
    }
    if (!row.id.empty()) m.orderText = idPrefix + row.id;
    return m;
}

// What tells a movement without the broker's id from another: date, time, security, side
// or type, quantity and price.
std::string FieldsKey(const COrderCartera& m) {
    std::string code(m.quoteCode);
    for (char& c : code) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::to_string(m.date) + '|' + std::to_string(m.time) + '|' + code + '|' +
           std::to_string(m.type) + '|' + std::to_string(m.contracts) + '|' +
           ExactNumberText(m.price);
}

const char* FieldOf(EntryField f) {
    switch (f) {
        case EntryField::contracts:
            return "quantity";
        case EntryField::commission:
            return "commission";
        case EntryField::price:
            return "price";
        default:
            return "amount";
    }
}

// The rows left once the account is chosen; refuses a choice the statement cannot answer.
std::vector<const StatementRow*> RowsOfAccount(const Statement& s, const ImportOptions& o,
                                               ImportPlan* plan) {
    std::vector<const StatementRow*> all;
    for (const StatementRow& row : s.rows) all.push_back(&row);
    const std::vector<std::string> accounts = Distinct(all, &StatementRow::account);
    if (o.account.empty() && accounts.size() > 1)
        throw Error(ErrorKind::invalid_input,
                    "the statement holds several accounts (" + Joined(accounts) + "): choose one");
    if (o.account.empty()) return all;
    if (std::find(accounts.begin(), accounts.end(), o.account) == accounts.end())
        throw Error(ErrorKind::invalid_input,
                    "no account " + o.account + " in the statement" +
                        (accounts.empty() ? std::string() : "; it holds " + Joined(accounts)));
    std::vector<const StatementRow*> rows;
    std::map<std::string, size_t> others;
    for (const StatementRow* row : all) {
        if (row->account.empty() || row->account == o.account)
            rows.push_back(row);
        else
            ++others[row->account];
    }
    for (const auto& [account, n] : others)
        plan->leftOut.push_back(Rows(n) + " of account " + account + " left out");
    return rows;
}

std::vector<const StatementRow*> RowsOfCurrency(std::vector<const StatementRow*> rows,
                                                const ImportOptions& o, ImportPlan* plan) {
    const std::vector<std::string> currencies = Distinct(rows, &StatementRow::currency);
    if (o.currency.empty()) {
        if (currencies.size() > 1)
            throw Error(ErrorKind::invalid_input,
                        "the statement holds rows in several currencies (" + Joined(currencies) +
                            "), a portfolio keeps one: choose one");
        return rows;
    }
    std::map<std::string, size_t> others;
    std::vector<const StatementRow*> kept;
    for (const StatementRow* row : rows) {
        if (row->currency.empty() || row->currency == o.currency)
            kept.push_back(row);
        else
            ++others[row->currency];
    }
    for (const auto& [currency, n] : others)
        plan->leftOut.push_back(std::to_string(n) + " " + currency + (n == 1 ? " row" : " rows") +
                                " left out: import them into a " + currency + " portfolio");
    return kept;
}

bool SameTrade(const StatementRow& cancel, const StatementRow& trade) {
    return trade.kind == RowKind::trade && trade.security == cancel.security &&
           trade.buy == cancel.buy && trade.quantity == cancel.quantity &&
           trade.price == cancel.price && trade.date == cancel.date;
}

// Takes out each cancelled trade with its cancellation, and reports both.
void TakeOutCancelled(std::vector<const StatementRow*>* rows, const Statement& s,
                      const CSistemaCartera& ledger, ImportPlan* plan) {
    std::vector<char> out(rows->size(), 0);
    for (size_t c = 0; c < rows->size(); ++c) {
        const StatementRow& cancel = *(*rows)[c];
        if (cancel.kind != RowKind::cancel) continue;
        out[c] = 1;
        size_t found = rows->size();
        for (size_t t = 0; t < rows->size() && found == rows->size(); ++t) {
            const StatementRow& trade = *(*rows)[t];
            const bool named = !cancel.cancels.empty() && trade.id == cancel.cancels;
            if (!out[t] && trade.kind == RowKind::trade &&
                (named || (cancel.cancels.empty() && SameTrade(cancel, trade))))
                found = t;
        }
        const std::string what = cancel.symbol + (cancel.buy ? " buy of " : " sell of ") +
                                 ExactNumberText(cancel.quantity) + " at " +
                                 ExactNumberText(cancel.price);
        if (found < rows->size()) {
            out[found] = 1;
            plan->notes.push_back({cancel.line, "cancels the " + what + " of line " +
                                                    std::to_string((*rows)[found]->line) +
                                                    ": neither is imported"});
            continue;
        }
        const std::string text = s.idPrefix + cancel.cancels;
        bool inJournal = false;
        for (const COrderCartera& m : ledger.GetOrders())
            inJournal =
                inJournal || (!cancel.cancels.empty() && text == std::string_view(m.orderText));
        plan->notes.push_back(
            {cancel.line, "cancels the " + what +
                              (inJournal ? ", which an earlier import added (" + text +
                                               "): delete it from the journal by hand"
                                         : ", which is not in the statement")});
    }
    std::vector<const StatementRow*> kept;
    for (size_t i = 0; i < rows->size(); ++i)
        if (!out[i]) kept.push_back((*rows)[i]);
    *rows = std::move(kept);
}

// Refuses fractional trades, or leaves them out as refused rows when told to.
void LeaveOutFractional(std::vector<const StatementRow*>* rows, const ImportOptions& o,
                        ImportPlan* plan) {
    std::vector<const StatementRow*> kept;
    std::vector<RefusedRow> fractional;
    for (const StatementRow* row : *rows) {
        if (row->kind == RowKind::trade && !IsWholeCount(row->quantity)) {
            fractional.push_back({row->line, row->symbol + " " + ExactNumberText(row->quantity) +
                                                 ": a fractional quantity cannot be held"});
        } else {
            kept.push_back(row);
        }
    }
    if (!fractional.empty() && !o.skipFractional) {
        std::string list;
        for (const RefusedRow& r : fractional)
            list += (list.empty() ? "" : "; ") + ("line " + std::to_string(r.line) + " " + r.why);
        throw Error(ErrorKind::invalid_input, list + "; skip fractional rows to import the rest");
    }
    plan->refused.insert(plan->refused.end(), fractional.begin(), fractional.end());
    *rows = std::move(kept);
}

}  // namespace

ImportPlan PlanImport(const Statement& statement, const CSistemaCartera& ledger,
                      const ImportOptions& options) {
    ImportPlan plan;
    plan.notes = statement.notes;
    std::vector<const StatementRow*> rows = RowsOfAccount(statement, options, &plan);
    rows = RowsOfCurrency(std::move(rows), options, &plan);
    TakeOutCancelled(&rows, statement, ledger, &plan);
    LeaveOutFractional(&rows, options, &plan);

    std::unordered_set<std::string> ids;                // order texts the journal and the plan hold
    std::unordered_map<std::string, size_t> withoutId;  // the journal's movements by fields
    for (const COrderCartera& m : ledger.GetOrders()) {
        if (!std::string_view(m.orderText).empty()) ids.emplace(m.orderText);
        ++withoutId[FieldsKey(m)];
    }
    for (const StatementRow* row : rows) {
        COrderCartera m = Movement(*row, statement.idPrefix);
        const EntryRefusal refusal = CheckEntryBounds(m);
        if (refusal.field != EntryField::none)
            FailRow(row->line, FieldOf(refusal.field), refusal.message);
        if (!row->id.empty()) {
            if (!ids.emplace(m.orderText).second) {
                ++plan.skipped;
                continue;
            }
        } else if (size_t& held = withoutId[FieldsKey(m)]; held > 0) {
            --held;  // one of the journal's movements answers for this row
            ++plan.skipped;
            continue;
        }
        plan.added.push_back(m);
        plan.addedLines.push_back(row->line);
    }
    std::vector<size_t> order(plan.added.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const COrderCartera &x = plan.added[a], &y = plan.added[b];
        return x.date != y.date ? x.date < y.date : x.time < y.time;
    });
    std::vector<COrderCartera> added;
    std::vector<size_t> lines;
    for (size_t i : order) {
        added.push_back(std::move(plan.added[i]));
        lines.push_back(plan.addedLines[i]);
    }
    plan.added = std::move(added);
    plan.addedLines = std::move(lines);
    std::stable_sort(
        plan.notes.begin(), plan.notes.end(),
        [](const StatementNote& a, const StatementNote& b) { return a.line < b.line; });
    return plan;
}

}  // namespace cartera::statements
