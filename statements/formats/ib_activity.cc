// Interactive Brokers' Activity Statement as CSV (Performance & Reports › Statements ›
// Activity, format CSV): each line names its section and whether it is the section's
// Header, a Data row, a SubTotal or a Total. Its trades, dividends, withholding tax,
// deposits and withdrawals, fees, interest and corporate actions become Flex records
// (statements/flex.h), read as a Flex statement's are.
#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/numbers.h"
#include "host/strings.h"
#include "statements/flex.h"
#include "statements/reading.h"
#include "text/number.h"

namespace cartera::statements {
namespace {

constexpr size_t kFields = static_cast<size_t>(FlexField::count);

// The Activity Statement's headings the Flex statement names otherwise.
constexpr std::pair<std::string_view, FlexField> kActivityNames[] = {
    {"tprice", FlexField::tradePrice},
    {"commfee", FlexField::ibCommission},
    {"realizedpl", FlexField::fifoPnlRealized},
    {"code", FlexField::notes},
};

// The fields that hold numbers: the Activity Statement groups thousands ("1,000"), the Flex
// reader takes plain decimals.
constexpr FlexField kNumbers[] = {FlexField::quantity,     FlexField::tradePrice,
                                  FlexField::ibCommission, FlexField::fifoPnlRealized,
                                  FlexField::amount,       FlexField::multiplier};

// The sections read, and what their rows are.
struct SectionKind {
    std::string_view name;
    FlexSection section;
    std::string_view cashType;  // the Flex cash transaction type of its rows
};
constexpr SectionKind kSections[] = {
    {"Trades", FlexSection::trades, ""},
    {"Dividends", FlexSection::cash, "Dividends"},
    {"Payment In Lieu Of Dividends", FlexSection::cash, "Payment In Lieu Of Dividends"},
    {"Withholding Tax", FlexSection::cash, "Withholding Tax"},
    {"Deposits & Withdrawals", FlexSection::cash, "Deposits & Withdrawals"},
    {"Fees", FlexSection::cash, "Other Fees"},
    {"Interest", FlexSection::cash, "Interest"},
    {"Corporate Actions", FlexSection::corporate, ""},
    {"Financial Instrument Information", FlexSection::other, ""},
    {"Account Information", FlexSection::other, ""},
};
// Sections of holdings and balances, not of what happened.
constexpr std::string_view kPositionSections[] = {
    "Open Positions", "Net Asset Value", "Statement of Funds", "Cash Report", "Change in NAV"};

const SectionKind* KindOf(std::string_view name) {
    for (const SectionKind& k : kSections)
        if (k.name == name) return &k;
    return nullptr;
}

// Where a section's Header line puts each field (counted after the section and line kind).
struct Header {
    std::array<std::optional<size_t>, kFields> fields{};
    Columns columns;
    std::optional<size_t> Of(FlexField f) const { return fields[static_cast<size_t>(f)]; }
};

Header ReadHeader(const std::vector<std::string>& line) {
    Header h;
    h.columns = Columns(std::vector<std::string>(line.begin() + 2, line.end()),
                        HeadingMatch::lettersAndDigits);
    for (size_t f = 0; f < kFields; ++f)
        h.fields[f] = FlexColumn(h.columns, static_cast<FlexField>(f));
    for (const auto& [name, field] : kActivityNames)
        if (auto at = h.columns.Find(name)) h.fields[static_cast<size_t>(field)] = at;
    // Forex trades head their commission by the base currency it is charged in ("Comm in
    // USD"), which is the one Flex's commission of a currency pair is in too.
    auto& commission = h.fields[static_cast<size_t>(FlexField::ibCommission)];
    for (size_t i = 0; i < h.columns.Size() && !commission; ++i)
        if (h.columns.Key(i).size() == 9 && h.columns.Key(i).starts_with("commin")) commission = i;
    return h;
}

// A Data line's values by Flex field, numbers made plain; a number that cannot be read is
// left as written for the Flex reader to refuse with its line and field.
struct Values {
    size_t line = 0;
    std::array<std::string, kFields> text;
    std::string discriminator;  // Trades: Order, Trade or ClosedLot
};

Values ReadValues(const Header& h, const CsvRecord& r) {
    Values v;
    v.line = static_cast<size_t>(r.line);
    for (size_t f = 0; f < kFields; ++f)
        if (auto at = h.fields[f]; at && *at + 2 < r.fields.size())
            v.text[f] = std::string(Trim(r.fields[*at + 2]));
    for (FlexField f : kNumbers) {
        std::string& text = v.text[static_cast<size_t>(f)];
        double n = 0;
        if (f == FlexField::quantity) {  // exact: its grouping taken out, never a double
            if (ThousandsInPlace(text, ",", "."))
                text.erase(std::remove(text.begin(), text.end(), ','), text.end());
        } else if (!text.empty() && ReadNumber(text, GroupedNumber('.'), &n)) {
            text = FullNumberText(n);
        }
    }
    if (auto at = h.columns.Find("datadiscriminator"); at && *at + 2 < r.fields.size())
        v.discriminator = std::string(Trim(r.fields[*at + 2]));
    // Cash and corporate lines name the security only in their description: "AAPL(US…) …".
    std::string& symbol = v.text[static_cast<size_t>(FlexField::symbol)];
    const std::string& description = v.text[static_cast<size_t>(FlexField::description)];
    if (const size_t open = description.find('(');
        symbol.empty() && open != std::string::npos && description.find(' ') > open)
        symbol = description.substr(0, open);
    return v;
}

void Add(const Values& v, FlexSection section, std::string_view account, Statement* s) {
    FlexRecord record;
    record.section = section;
    record.line = v.line;
    for (size_t f = 0; f < kFields; ++f) record.values[f] = v.text[f];
    record.Set(FlexField::account, account);
    AddFlexRecord(record, s);
}

struct ActivityState {
    std::map<std::string, Header, std::less<>> headers;  // the sections read, by name
    std::string account;
    std::vector<Values> trades;  // all read before their multipliers
    std::map<std::string, std::string, std::less<>> multipliers;  // by symbol
    bool executions = false;  // Trade lines are the fills of the Order lines beside them
    size_t positions = 0;     // the first line of a section of holdings, 0 for none

    void Line(const CsvRecord& r, Statement* s) {
        if (r.fields.size() < 3) return;
        const std::string_view section = Trim(r.fields[0]), kind = Trim(r.fields[1]);
        const SectionKind* known = KindOf(section);
        for (std::string_view p : kPositionSections)
            if (positions == 0 && section == p) positions = static_cast<size_t>(r.line);
        if (!known) return;
        if (kind == "Header") {
            headers[std::string(section)] = ReadHeader(r.fields);
            return;
        }
        if (kind != "Data") return;  // SubTotal, Total, Notes
        auto h = headers.find(section);
        if (h == headers.end())
            FailRow(static_cast<size_t>(r.line), "Data", "comes before its Header line");
        if (section == "Account Information") {
            if (Trim(r.fields[2]) == "Account" && r.fields.size() > 3) account = Trim(r.fields[3]);
            return;
        }
        // The totals of a cash section are Data lines too: "Total", "Total in USD".
        for (size_t i = 2; i < r.fields.size() && i < 4; ++i)
            if (Trim(r.fields[i]).starts_with("Total")) return;
        Values v = ReadValues(h->second, r);
        if (section == "Financial Instrument Information") {
            const std::string& m = v.text[static_cast<size_t>(FlexField::multiplier)];
            if (!m.empty()) multipliers[v.text[static_cast<size_t>(FlexField::symbol)]] = m;
        } else if (known->section == FlexSection::trades) {
            executions = executions || v.discriminator == "Trade";
            trades.push_back(std::move(v));
        } else {
            v.text[static_cast<size_t>(FlexField::type)] = std::string(known->cashType);
            Add(v, known->section, account, s);
        }
    }

    // The trades, each with its multiplier: the instrument section's, else 100 for an
    // option; ClosedLot lines (the lots a sale closed) and, beside fills, Order lines left
    // out. An option exercised or assigned closes at 0 here, while the broker moves its
    // premium into the shares' cost: said so, since the two realized results then differ.
    void AddTrades(Statement* s) {
        for (Values& v : trades) {
            if (v.discriminator == "ClosedLot" || (executions && v.discriminator == "Order"))
                continue;
            const std::string codes = ";" + v.text[static_cast<size_t>(FlexField::notes)] + ";";
            if (v.text[static_cast<size_t>(FlexField::assetCategory)].find("Option") !=
                    std::string::npos &&
                (codes.find(";Ex;") != std::string::npos || codes.find(";A;") != std::string::npos))
                s->notes.push_back({v.line, v.text[static_cast<size_t>(FlexField::symbol)] +
                                                " exercised or assigned: closed at 0, its "
                                                "premium not moved into the shares' cost"});
            std::string& m = v.text[static_cast<size_t>(FlexField::multiplier)];
            auto known = multipliers.find(v.text[static_cast<size_t>(FlexField::symbol)]);
            const std::string& category = v.text[static_cast<size_t>(FlexField::assetCategory)];
            m = known != multipliers.end()                     ? known->second
                : category.find("Option") != std::string::npos ? "100"
                                                               : "1";
            Add(v, FlexSection::trades, account, s);
        }
    }
};

bool RecognisesActivity(std::string_view head) {
    const std::vector<std::string> first = HeaderOf(head);
    return first.size() >= 3 && (first[1] == "Header" || first[1] == "Data") &&
           (first[0] == "Statement" || KindOf(first[0]));
}

// Reads the statement into a Statement (format "ib-activity-csv", idPrefix "IB:"). Its
// trades carry no id: a second import knows them by their fields. Forex trades become notes,
// as do corporate actions; a statement of holdings alone (open positions, net asset value,
// funds) is refused saying so.
Statement ReadActivity(std::istream& in, const ReadOptions& options) {
    Statement statement;
    statement.format = "ib-activity-csv";
    statement.idPrefix = "IB:";
    CsvRows rows(in);
    ActivityState state;
    ForEachRecord(rows, options.progress,
                  [&](const CsvRecord& record) { state.Line(record, &statement); });
    state.AddTrades(&statement);
    FinishFlexStatement(&statement, state.positions, "an Activity Statement",
                        "choose the period that holds the trades");
    SortByTime(&statement.rows);
    return statement;
}

}  // namespace

extern const FormatEntry kFormat_ib_activity{
    .name = "ib-activity-csv",
    .description = "Interactive Brokers Activity Statement, CSV",
    .order = 25,
    .recognises = RecognisesActivity,
    .read = ReadActivity};

}  // namespace cartera::statements
