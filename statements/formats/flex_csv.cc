// The Flex statement as CSV, in its three layouts (with or without the account and conid
// columns): sections one after another, each with
// one header row; sections between BOS and EOS rows (inside BOF/BOA…EOA/EOF), a header row
// after each BOS; and HEADER and DATA rows that name their section in the second field.
#include <array>
#include <map>
#include <optional>
#include <vector>

#include "host/strings.h"
#include "statements/flex.h"
#include "statements/reading.h"

namespace cartera::statements {
namespace {

// Where a header row's columns hold the Flex fields.
struct Header {
    std::array<std::optional<size_t>, static_cast<size_t>(FlexField::count)> columns{};
    size_t size = 0;
    bool Has(FlexField f) const { return columns[static_cast<size_t>(f)].has_value(); }
};

FlexSection SectionOfCode(std::string_view code) {
    if (code == "TRNT") return FlexSection::trades;
    if (code == "CTRN") return FlexSection::cash;
    if (code == "CORP") return FlexSection::corporate;
    return FlexSection::other;
}

Header ReadHeader(const std::vector<std::string>& fields, size_t from) {
    const Columns columns(
        std::vector<std::string>(fields.begin() + static_cast<long>(from), fields.end()),
        HeadingMatch::lettersAndDigits);
    Header header;
    header.size = columns.Size();
    for (size_t f = 0; f < header.columns.size(); ++f)
        header.columns[f] = FlexColumn(columns, static_cast<FlexField>(f));
    return header;
}

// A row of column names: three or more of them are fields the import knows.
bool LooksLikeHeader(const std::vector<std::string>& fields) {
    int known = 0;
    for (const auto& f : fields) known += FlexFieldOf(f).has_value();
    return known >= 3;
}

// What a section of the one-header layout holds, told from its columns.
FlexSection SectionOfColumns(const Header& header) {
    if (header.Has(FlexField::actionDescription)) return FlexSection::corporate;
    if (header.Has(FlexField::tradePrice)) return FlexSection::trades;
    if (header.Has(FlexField::amount) && header.Has(FlexField::type)) return FlexSection::cash;
    return FlexSection::other;
}

struct CsvState {
    std::string account;              // of the BOA row being read
    std::optional<std::string> code;  // of the BOS section being read
    bool headerDue = false;           // the next row is the BOS section's header
    Header header;                    // of the section being read
    FlexSection section = FlexSection::other;
    std::map<std::string, Header, std::less<>> headers;  // of the HEADER rows, by section
    size_t others = 0;  // the first line of a section not read (positions, funds, NAV)

    void Data(const Header& h, FlexSection s, const std::vector<std::string>& fields, size_t from,
              size_t line, Statement* statement) {
        if (s == FlexSection::other) {
            if (others == 0) others = line;
            return;
        }
        if (fields.size() - from != h.size)
            FailRow(line, "record",
                    std::to_string(fields.size() - from) + " fields where its header names " +
                        std::to_string(h.size));
        FlexRecord record;
        record.section = s;
        record.line = line;
        record.Set(FlexField::account, account);
        for (size_t f = 0; f < h.columns.size(); ++f)
            if (h.columns[f]) record.values[f] = fields[from + *h.columns[f]];
        AddFlexRecord(record, statement);
    }

    void Row(const std::vector<std::string>& f, size_t line, Statement* statement) {
        const std::string_view first = f[0];
        if (first == "BOF" || first == "EOF" || first == "EOA") return;
        if (first == "BOA") {
            account = f.size() > 1 ? f[1] : "";
            return;
        }
        if (first == "BOS" || first == "EOS") {
            if (first == "BOS" && f.size() < 2) FailRow(line, "BOS", "names no section");
            code = first == "BOS" ? std::optional<std::string>(f[1]) : std::nullopt;
            headerDue = first == "BOS";
            section = code ? SectionOfCode(*code) : FlexSection::other;
            return;
        }
        if (first == "HEADER" || first == "DATA") {
            if (f.size() < 2) FailRow(line, first, "names no section");
            // Only the sections the import reads are kept: a file cannot fill the memory
            // with headers of made-up ones.
            const FlexSection s = SectionOfCode(f[1]);
            if (first == "HEADER") {
                if (s != FlexSection::other) headers[f[1]] = ReadHeader(f, 2);
                headerDue = false;
                return;
            }
            if (s == FlexSection::other) {
                if (others == 0) others = line;
                return;
            }
            auto known = headers.find(f[1]);
            if (known == headers.end()) FailRow(line, "DATA", "comes before its HEADER row");
            return Data(known->second, s, f, 2, line, statement);
        }
        if (headerDue || (!code && LooksLikeHeader(f))) {
            header = ReadHeader(f, 0);
            if (!code) section = SectionOfColumns(header);
            headerDue = false;
            return;
        }
        if (header.size == 0) FailRow(line, "record", "comes before any header row");
        Data(header, section, f, 0, line, statement);
    }
};

bool RecognisesFlexCsv(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    std::string_view first = head.substr(0, head.find_first_of("\r\n"));
    for (std::string_view marker : {"BOF,", "\"BOF\",", "HEADER,", "\"HEADER\","})
        if (first.substr(0, marker.size()) == marker) return true;
    // One header row: the Flex column names that no other file uses together.
    const std::string names = HeadingKey(first, HeadingMatch::lettersAndDigits);
    auto has = [&](std::string_view name) { return names.find(name) != std::string::npos; };
    // Without an account or a conid (some queries and tools start with the ISIN), a trades
    // header still names the trade price beside the commission or the side.
    return has("clientaccountid") ||
           (has("conid") && (has("ibcommission") || has("transactionid"))) ||
           (has("tradeprice") && (has("ibcommission") || has("buysell")));
}

Statement ReadFlexCsv(std::istream& in, const ReadOptions& options) {
    Statement statement;
    statement.format = "ib-flex-csv";
    statement.idPrefix = "IB:";
    CsvRows rows(in);
    CsvState state;
    ForEachRecord(rows, options.progress, [&](const CsvRecord& record) {
        if (record.fields.size() > 1 || !Trim(record.fields[0]).empty())
            state.Row(record.fields, static_cast<size_t>(record.line), &statement);
    });
    FinishFlexStatement(&statement, state.others, "a Flex statement",
                        "add the Trades and Cash Transactions sections to the query");
    return statement;
}

}  // namespace

extern const FormatEntry kFormat_flex_csv{
    .name = "ib-flex-csv",
    .description = "Interactive Brokers Flex statement, CSV (any of its layouts)",
    .order = 20,
    .recognises = RecognisesFlexCsv,
    .read = ReadFlexCsv};

}  // namespace cartera::statements
