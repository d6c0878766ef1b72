// The Flex statement as XML, read as a stream with expat: each Trade, CashTransaction and
// CorporateAction element becomes a record as it is parsed, so the file is never held.
// A hostile file cannot take the time or the memory: markup longer than 1 MiB, elements
// nested deeper than kMaxDepth, a document type declaration (entities) and a document that
// needs more than kMaxParserBytes of the parser's own memory (thousands of kinds of element
// or attribute) are refused.
#include <expat.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "host/error.h"
#include "statements/flex.h"
#include "statements/reading.h"

namespace cartera::statements {
namespace {

constexpr int kMaxDepth = 64;  // a Flex statement nests six deep
constexpr size_t kMaxParserBytes = size_t{8} << 20;
// The longest tag or other markup: as long as the longest CSV record.
constexpr size_t kMaxMarkupBytes = kMaxCsvRecordBytes;
constexpr size_t kMaxKnownNames = 256;  // attribute names remembered; a statement has forty

// The parser's memory, counted for the parse running on this thread: each block carries its
// size in front of it.
struct ParserBudget {
    size_t used = 0;
    bool exceeded = false;
};
thread_local ParserBudget* t_budget = nullptr;
constexpr size_t kBlockHeader = alignof(std::max_align_t);

void* CountedRealloc(void* block, size_t size) {
    char* base = block ? static_cast<char*>(block) - kBlockHeader : nullptr;
    size_t old = 0;
    if (base) std::memcpy(&old, base, sizeof old);
    ParserBudget* budget = t_budget;
    if (budget && size > old && budget->used + (size - old) > kMaxParserBytes) {
        budget->exceeded = true;
        return nullptr;  // expat stops with "out of memory"; the block stays as it was
    }
    auto* moved = static_cast<char*>(std::realloc(base, size + kBlockHeader));
    if (!moved) return nullptr;
    std::memcpy(moved, &size, sizeof size);
    if (budget) budget->used = budget->used - std::min(old, budget->used) + size;
    return moved + kBlockHeader;
}

void* CountedMalloc(size_t size) { return CountedRealloc(nullptr, size); }

void CountedFree(void* block) {
    if (!block) return;
    char* base = static_cast<char*>(block) - kBlockHeader;
    size_t size = 0;
    std::memcpy(&size, base, sizeof size);
    if (t_budget) t_budget->used -= std::min(size, t_budget->used);
    std::free(base);
}

const XML_Memory_Handling_Suite kCountedMemory = {CountedMalloc, CountedRealloc, CountedFree};

// Counts the parser's memory against budget while it lives; declared before the parser, so
// the parser is freed inside it.
struct BudgetScope {
    explicit BudgetScope(ParserBudget* budget) : outer(std::exchange(t_budget, budget)) {}
    ~BudgetScope() { t_budget = outer; }
    BudgetScope(const BudgetScope&) = delete;
    BudgetScope& operator=(const BudgetScope&) = delete;
    ParserBudget* outer;
};

struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct XmlReader {
    XML_Parser parser = nullptr;
    Statement* statement = nullptr;
    std::string account;  // of the FlexStatement being read
    size_t holdings = 0;  // the line of the first position, fund or NAV row, 0 for none
    std::exception_ptr failure;
    int depth = 0;
    // Attribute names seen, each looked up once: a large file repeats the same forty.
    std::unordered_map<std::string, int, NameHash, std::equal_to<>> fields;

    int FieldIndex(const char* name) {
        auto it = fields.find(std::string_view(name));
        if (it != fields.end()) return it->second;
        std::optional<FlexField> f = FlexFieldOf(name);
        const int index = f ? static_cast<int>(*f) : -1;
        if (fields.size() < kMaxKnownNames) fields.emplace(name, index);
        return index;
    }

    size_t Line() const { return XML_GetCurrentLineNumber(parser); }

    void Start(const char* name, const char** attributes) {
        if (++depth > kMaxDepth)
            FailRow(Line(), "XML", "elements nested deeper than " + std::to_string(kMaxDepth));
        FlexSection section = FlexSection::other;
        if (std::strcmp(name, "Trade") == 0) {
            section = FlexSection::trades;
        } else if (std::strcmp(name, "CashTransaction") == 0) {
            section = FlexSection::cash;
        } else if (std::strcmp(name, "CorporateAction") == 0) {
            section = FlexSection::corporate;
        } else if (std::strcmp(name, "FlexStatement") == 0) {
            account.clear();
            for (const char** a = attributes; *a; a += 2)
                if (std::strcmp(a[0], "accountId") == 0) account = a[1];
            return;
        } else {
            if (holdings == 0 && (std::strcmp(name, "OpenPosition") == 0 ||
                                  std::strcmp(name, "StatementOfFundsLine") == 0 ||
                                  std::strcmp(name, "EquitySummaryByReportDateInBase") == 0))
                holdings = Line();
            return;
        }
        FlexRecord record;
        record.section = section;
        record.line = Line();
        record.Set(FlexField::account, account);
        for (const char** a = attributes; *a; a += 2) {
            int f = FieldIndex(a[0]);
            if (f >= 0) record.values[f] = a[1];
        }
        AddFlexRecord(record, statement);
    }

    // Runs what a handler does; no exception may cross the C parser, so the first failure
    // is kept and the parser stopped.
    template <typename Handle>
    void Guarded(Handle handle) {
        if (failure) return;
        try {
            handle();
        } catch (...) {
            failure = std::current_exception();
            XML_StopParser(parser, XML_FALSE);
        }
    }
};

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* reader = static_cast<XmlReader*>(data);
    reader->Guarded([&] { reader->Start(name, attributes); });
}

void OnEnd(void* data, const XML_Char*) { --static_cast<XmlReader*>(data)->depth; }

void OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto* reader = static_cast<XmlReader*>(data);
    reader->Guarded([&] {
        FailRow(reader->Line(), "XML", "a document type declaration is not read in a statement");
    });
}

struct ParserFree {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

[[noreturn]] void RefuseXml(XML_Parser parser, const ParserBudget& budget) {
    FailRow(XML_GetCurrentLineNumber(parser), "XML",
            budget.exceeded ? "needs more than " + std::to_string(kMaxParserBytes >> 20) +
                                  " MiB to read: not a statement"
                            : std::string(XML_ErrorString(XML_GetErrorCode(parser))));
}

// The bytes given to the parser that it still holds: the token it is inside.
size_t Pending(XML_Parser parser, size_t given) {
    const XML_Index at = XML_GetCurrentByteIndex(parser);
    return at < 0 ? 0 : given - std::min(given, static_cast<size_t>(at));
}

bool RecognisesFlexXml(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    size_t start = head.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || head[start] != '<') return false;
    return head.find("<FlexQueryResponse") != std::string_view::npos ||
           head.find("<FlexStatement") != std::string_view::npos;
}

Statement ReadFlexXml(std::istream& in, const ReadOptions& options) {
    Statement statement;
    statement.format = "ib-flex-xml";
    statement.idPrefix = "IB:";
    XmlReader reader;
    ParserBudget budget;
    BudgetScope counted(&budget);
    std::unique_ptr<XML_ParserStruct, ParserFree> parser(
        XML_ParserCreate_MM(nullptr, &kCountedMemory, nullptr));
    if (!parser) throw Error(ErrorKind::bug, "cannot start the XML parser");
    reader.parser = parser.get();
    reader.statement = &statement;
    XML_SetUserData(parser.get(), &reader);
    XML_SetElementHandler(parser.get(), OnStart, OnEnd);
    XML_SetStartDoctypeDeclHandler(parser.get(), OnDoctype);
    constexpr size_t kChunk = size_t{64} * 1024;
    size_t total = 0;
    for (;;) {
        // expat scans a token it has not seen whole again from its start on every call:
        // while one is pending, each read is at least as long as it, so the scans stay
        // linear, and at 1 MiB the file is refused.
        const size_t pending = Pending(parser.get(), total);
        if (pending > kMaxMarkupBytes)
            FailRow(XML_GetCurrentLineNumber(parser.get()), "XML",
                    "a tag or other markup longer than 1 MiB");
        const auto want = static_cast<int>(std::max(kChunk, pending));
        // Read straight into the parser's own buffer: no copy of the file's bytes.
        void* buffer = XML_GetBuffer(parser.get(), want);
        if (!buffer) RefuseXml(parser.get(), budget);
        in.read(static_cast<char*>(buffer), want);
        if (in.bad()) throw Error(ErrorKind::io, "the statement could not be read");
        const auto got = static_cast<int>(in.gcount());
        const bool last = got == 0 || in.eof();
        total += static_cast<size_t>(got);
        XML_Status status = XML_ParseBuffer(parser.get(), got, last ? XML_TRUE : XML_FALSE);
        if (reader.failure) std::rethrow_exception(reader.failure);
        if (status != XML_STATUS_OK) RefuseXml(parser.get(), budget);
        if (options.progress) options.progress(total);
        if (last) break;
    }
    FinishFlexStatement(&statement, reader.holdings, "a Flex statement",
                        "add the Trades and Cash Transactions sections to the query");
    return statement;
}

}  // namespace

extern const FormatEntry kFormat_flex_xml{.name = "ib-flex-xml",
                                          .description = "Interactive Brokers Flex statement, XML",
                                          .order = 10,
                                          .recognises = RecognisesFlexXml,
                                          .read = ReadFlexXml};

}  // namespace cartera::statements
