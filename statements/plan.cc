// What importing a statement adds to a ledger: the account and currency chosen, the
// cancelled trades taken out, what the ledger holds already skipped, the rest as movements.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "host/error.h"
#include "host/numbers.h"
#include "model/action.h"
#include "model/currency_entry.h"
#include "model/entry.h"
#include "model/exchange.h"
#include "model/sistema.h"
#include "rates/rates.h"
#include "statements/reading.h"
#include "statements/statement.h"

namespace cartera::statements {
namespace {

// The items, the first ten of a longer list and how many more.
std::string Joined(const std::vector<std::string>& items, const char* separator = ", ") {
    constexpr size_t kNamed = 10;
    std::string out;
    for (size_t i = 0; i < items.size() && i < kNamed; ++i)
        out += (i == 0 ? "" : separator) + items[i];
    if (items.size() > kNamed)
        out += separator + ("and " + std::to_string(items.size() - kNamed) + " more");
    return out;
}

std::string Rows(size_t n) { return std::to_string(n) + (n == 1 ? " row" : " rows"); }

// The distinct non-empty values of a field, in the order the statement first shows them.
std::vector<std::string> Distinct(const std::vector<const StatementRow*>& rows,
                                  std::string StatementRow::*field) {
    std::vector<std::string> out;
    std::unordered_set<std::string_view> seen;
    for (const StatementRow* row : rows) {
        const std::string& v = row->*field;
        if (!v.empty() && seen.insert(v).second) out.push_back(v);
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
            m.contracts = row.quantity;
            m.price = row.price;
            m.commission = row.commission / m.contracts.ToDouble();
            m.pointValue = row.multiplier;
            m.quoteCode = code;
            m.symbol = row.symbol.empty() ? code : row.symbol;
            m.decimals = DecimalsOf(row.price);
            break;
        case RowKind::dividend: {
            const bool perShare = row.rate > 0 && row.quantity > 0;
            m.type = kDividend;
            m.contracts = perShare ? row.quantity : Quantity(1);
            m.price = perShare ? row.rate : row.amount;
            m.quoteCode = code.empty() ? text : code;
            m.symbol = row.symbol.empty() ? m.quoteCode : PooledText(row.symbol);
            break;
        }
        case RowKind::action: {
            ActionTerms terms;
            if (!row.ratio.empty())
                ParseRatio(row.ratio, &terms.ratioNew, &terms.ratioOld, nullptr);
            terms.newCode = row.newCode.empty() ? row.newSymbol : row.newCode;
            const Quantity contracts = row.quantity > 0 ? row.quantity : Quantity();
            m = BuildAction(row.action, code, "", terms, 0, contracts, row.amount);
            m.date = row.date;
            m.time = row.time;
            m.reserved = 0;
            break;
        }
        case RowKind::exchange:
            break;  // SetRowExchange makes it
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
// or type, quantity and price; without the time, what tells a cancelled trade. A movement
// without a code (an exchange) takes its symbol as the journal files it.
std::string FieldsKey(const COrderCartera& m, bool withTime = true) {
    std::string code(m.quoteCode.empty() ? m.symbol : m.quoteCode);
    for (char& c : code) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::to_string(m.date) + '|' + (withTime ? std::to_string(m.time) : "") + '|' + code +
           '|' + std::to_string(m.type) + '|' + m.contracts.Text() + '|' + ExactNumberText(m.price);
}

const char* FieldOf(EntryField f) {
    switch (f) {
        case EntryField::contracts:
            return "quantity";
        case EntryField::commission:
            return "commission";
        case EntryField::price:
            return "price";
        case EntryField::currency:
            return "currency";
        case EntryField::rate:
            return "rate";
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

// The rows left once the currency is chosen. A portfolio that names its own currency takes
// every currency, each at its rate to it; one that names none keeps to one.
std::vector<const StatementRow*> RowsOfCurrency(std::vector<const StatementRow*> rows,
                                                const ImportOptions& o, const std::string& own,
                                                ImportPlan* plan) {
    const std::vector<std::string> currencies = Distinct(rows, &StatementRow::currency);
    if (o.currency.empty() && !own.empty()) return rows;
    if (o.currency.empty()) {
        if (currencies.size() > 1)
            throw Error(ErrorKind::invalid_input,
                        "the statement holds rows in several currencies (" + Joined(currencies) +
                            "): name the portfolio's own currency to import them all, or "
                            "choose one");
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

// The statement's trades a cancellation may cancel: by id, and by security, side,
// quantity, price and date; each list in file order, indexed at the first cancellation.
class StatementTrades {
  public:
    explicit StatementTrades(const std::vector<const StatementRow*>& rows) : m_rows(rows) {}

    // The first trade not yet out that the cancellation names by id, or without one the
    // first of its fields; SIZE_MAX when the statement holds none.
    size_t Find(const StatementRow& cancel, const std::vector<char>& out) {
        Index();
        auto& lists = cancel.cancels.empty() ? m_byFields : m_byId;
        auto it = lists.find(cancel.cancels.empty() ? Key(cancel) : cancel.cancels);
        if (it == lists.end()) return SIZE_MAX;
        Places& p = it->second;
        while (p.next < p.places.size() && out[p.places[p.next]]) ++p.next;  // out stays out
        return p.next < p.places.size() ? p.places[p.next] : SIZE_MAX;
    }

  private:
    struct Places {
        std::vector<size_t> places;
        size_t next = 0;  // those before it are out
    };

    static std::string Key(const StatementRow& r) {
        return std::to_string(r.security.size()) + ':' + r.security + (r.buy ? "|b|" : "|s|") +
               r.quantity.Text() + '|' + ExactNumberText(r.price) + '|' + std::to_string(r.date);
    }

    void Index() {
        if (m_indexed) return;
        m_indexed = true;
        for (size_t t = 0; t < m_rows.size(); ++t) {
            const StatementRow& r = *m_rows[t];
            if (r.kind != RowKind::trade) continue;
            if (!r.id.empty()) m_byId[r.id].places.push_back(t);
            m_byFields[Key(r)].places.push_back(t);
        }
    }

    const std::vector<const StatementRow*>& m_rows;
    bool m_indexed = false;
    std::unordered_map<std::string, Places> m_byId, m_byFields;
};

// The journal's buys and sells a cancellation may take out, indexed at the first one: by
// order text (the trade's id with the broker's prefix), and by fields those without
// another broker's id. Each is taken once.
class JournalTrades {
  public:
    JournalTrades(const CSistemaCartera& ledger, const std::string& prefix)
        : m_orders(ledger.GetOrders()), m_prefix(prefix) {}

    // The movement the cancelled trade (tradeId, maybe empty) is in the journal as: by its
    // order text, else by its fields among movements with no id (with this broker's too
    // when the trade has none); null when there is none.
    const COrderCartera* Take(const StatementRow& cancel, const std::string& tradeId) {
        Index();
        auto take = [this](size_t place) {
            return m_taken.insert(place).second ? &m_orders[place] : nullptr;
        };
        if (auto it = m_byText.find(m_prefix + tradeId); !tradeId.empty() && it != m_byText.end())
            if (const COrderCartera* m = take(it->second)) return m;
        if (!(cancel.quantity > 0)) return nullptr;
        auto [first, last] = m_byFields.equal_range(FieldsKey(Movement(cancel, m_prefix), false));
        for (auto it = first; it != last; ++it)
            if (tradeId.empty() || std::string_view(m_orders[it->second].orderText).empty())
                if (const COrderCartera* m = take(it->second)) return m;
        return nullptr;
    }

  private:
    void Index() {
        if (m_indexed) return;
        m_indexed = true;
        for (size_t i = 0; i < m_orders.size(); ++i) {
            const COrderCartera& m = m_orders[i];
            if (!m.IsExecution()) continue;
            const std::string_view text(m.orderText);
            if (text.starts_with(m_prefix)) m_byText.emplace(text, i);
            if (text.empty() || text.starts_with(m_prefix))
                m_byFields.emplace(FieldsKey(m, false), i);
        }
    }

    const CArrayOrders& m_orders;
    const std::string& m_prefix;
    bool m_indexed = false;
    std::unordered_map<std::string_view, size_t> m_byText;  // texts live as long as the pool
    std::unordered_multimap<std::string, size_t> m_byFields;
    std::unordered_set<size_t> m_taken;
};

// What a cancellation's note says: the trade, where it was found, what becomes of it.
std::string CancelNote(const StatementRow& cancel, const StatementRow* trade,
                       const COrderCartera* held) {
    std::string text = "cancels the " + cancel.symbol + (cancel.buy ? " buy of " : " sell of ") +
                       cancel.quantity.Text() + " at " + ExactNumberText(cancel.price);
    const std::string name = !held                     ? std::string()
                             : held->orderText.empty() ? "movement " + std::to_string(held->id)
                                                       : std::string(held->orderText);
    if (trade) {
        text += " of line " + std::to_string(trade->line) + ": neither is imported";
        return held ? text + ", and the journal's " + name + " is taken out" : text;
    }
    return text + (held ? ", which the journal holds (" + name + "): taken out of it"
                        : ", which is neither in the statement nor in the journal");
}

// Takes out each cancelled trade with its cancellation, and the journal's movement of it
// (an earlier import's) into plan->withdrawn; reports each.
void TakeOutCancelled(std::vector<const StatementRow*>* rows, const Statement& s,
                      const CSistemaCartera& ledger, ImportPlan* plan) {
    StatementTrades trades(*rows);
    JournalTrades journal(ledger, s.idPrefix);
    std::vector<char> out(rows->size(), 0);
    for (size_t c = 0; c < rows->size(); ++c) {
        const StatementRow& cancel = *(*rows)[c];
        if (cancel.kind != RowKind::cancel) continue;
        out[c] = 1;
        const size_t found = trades.Find(cancel, out);
        const StatementRow* trade = found < rows->size() ? (*rows)[found] : nullptr;
        if (trade) out[found] = 1;
        const COrderCartera* held =
            journal.Take(cancel, cancel.cancels.empty() && trade ? trade->id : cancel.cancels);
        if (held) plan->withdrawn.push_back(*held);
        plan->notes.push_back({cancel.line, CancelNote(cancel, trade, held)});
    }
    std::vector<const StatementRow*> kept;
    for (size_t i = 0; i < rows->size(); ++i)
        if (!out[i]) kept.push_back((*rows)[i]);
    *rows = std::move(kept);
}

// The rates table in ctx's home, read the first time a rate is looked up.
RateLookup TableLookup(const Context& ctx) {
    auto table = std::make_shared<std::optional<rates::RatesTable>>();
    return [table, &ctx](std::string_view from, std::string_view to, int32_t date) {
        if (!*table) {
            table->emplace();
            if (Status loaded = (*table)->Load(ctx); !loaded.ok())
                throw Error(loaded.kind(), loaded.message());
        }
        return (*table)->Rate(from, to, date);
    };
}

// An exchange row's movement: the broker's rate for the currency bought when it gives one.
void SetRowExchange(const StatementRow& row, const std::string& own, const RateLookup& lookup,
                    COrderCartera& m) {
    std::optional<double> rate;
    if (row.fxRate > 0 && row.currency != own && row.soldCurrency != own) rate = row.fxRate;
    if (EntryRefusal refusal = SetExchange(own, {row.soldCurrency, row.soldAmount},
                                           {row.currency, row.amount}, rate, lookup, m))
        FailRow(row.line, FieldOf(refusal.field), refusal.message);
}

// A row in a currency other than the portfolio's takes the rate the broker applied, else
// the rates table's for its date; refused, naming the pair and the date, without either.
void SetRowCurrency(const StatementRow& row, const std::string& own, const RateLookup& lookup,
                    COrderCartera& m) {
    if (row.kind == RowKind::exchange) return SetRowExchange(row, own, lookup, m);
    if (own.empty() || row.currency.empty()) return;
    std::optional<double> rate;
    if (row.fxRate > 0 && row.currency != own) rate = row.fxRate;
    if (EntryRefusal refusal = SetMovementCurrency(own, row.currency, rate, lookup, m))
        FailRow(row.line, FieldOf(refusal.field), refusal.message);
}

// A portfolio of one currency takes no exchange: each is a note of what it left out.
void NoteExchanges(std::vector<const StatementRow*>* rows, const std::string& own,
                   ImportPlan* plan) {
    if (!own.empty()) return;
    std::erase_if(*rows, [&](const StatementRow* row) {
        if (row->kind != RowKind::exchange) return false;
        plan->notes.push_back(
            {row->line, "currency exchange of " + ExactNumberText(row->soldAmount) + " " +
                            row->soldCurrency + " for " + ExactNumberText(row->amount) + " " +
                            row->currency +
                            " left out: name the portfolio's currency to import exchanges"});
        return true;
    });
}

// Refuses a trade beyond the bound of contracts.
void CheckQuantities(const std::vector<const StatementRow*>& rows) {
    for (const StatementRow* row : rows)
        if (row->kind == RowKind::trade && row->quantity > kMaxEntryContracts)
            FailRow(row->line, "quantity",
                    row->quantity.Text() + " is beyond the bound of 2,147,483,647 contracts");
}

}  // namespace

ImportPlan PlanImport(const Statement& statement, const CSistemaCartera& ledger,
                      const ImportOptions& options) {
    ImportPlan plan;
    plan.notes = statement.notes;
    std::vector<const StatementRow*> rows = RowsOfAccount(statement, options, &plan);
    rows = RowsOfCurrency(std::move(rows), options, ledger.GetCurrency(), &plan);
    NoteExchanges(&rows, ledger.GetCurrency(), &plan);
    const RateLookup lookup = TableLookup(ledger.GetContext());
    TakeOutCancelled(&rows, statement, ledger, &plan);
    CheckQuantities(rows);

    std::unordered_set<std::string> ids;                // order texts the journal and the plan hold
    std::unordered_map<std::string, size_t> withoutId;  // the journal's movements by fields
    for (size_t i = 0; !rows.empty() && i < ledger.GetOrders().size(); ++i) {
        const COrderCartera& m = ledger.GetOrders()[i];
        if (!std::string_view(m.orderText).empty()) ids.emplace(m.orderText);
        ++withoutId[FieldsKey(m)];
    }
    for (const StatementRow* row : rows) {
        COrderCartera m = Movement(*row, statement.idPrefix);
        SetRowCurrency(*row, ledger.GetCurrency(), lookup, m);
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
    added.reserve(order.size());
    lines.reserve(order.size());
    for (size_t i : order) {
        added.push_back(plan.added[i]);
        lines.push_back(plan.addedLines[i]);
    }
    plan.added = std::move(added);
    plan.addedLines = std::move(lines);
    plan.added.insert(plan.added.end(), statement.movements.begin(), statement.movements.end());
    plan.addedLines.insert(plan.addedLines.end(), statement.movementLines.begin(),
                           statement.movementLines.end());
    std::stable_sort(
        plan.notes.begin(), plan.notes.end(),
        [](const StatementNote& a, const StatementNote& b) { return a.line < b.line; });
    return plan;
}

std::vector<uint64_t> WithdrawnIds(const ImportPlan& plan) {
    std::vector<uint64_t> ids;
    for (const COrderCartera& m : plan.withdrawn) ids.push_back(m.id);
    return ids;
}

}  // namespace cartera::statements
