#include "fuzz/fuzz_targets.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string_view>
#include <vector>

#include "commissions/comisiones.h"
#include "grids/grid_cartera.h"
#include "grids/grid_trades.h"
#include "host/archive.h"
#include "host/context.h"
#include "host/dates.h"
#include "host/env.h"
#include "host/error.h"
#include "host/feed.h"
#include "host/file_stream.h"
#include "host/folders.h"
#include "host/market.h"
#include "host/strings.h"
#include "model/change_log.h"
#include "model/entry.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "rates/rates.h"
#include "statements/detect.h"
#include "statements/mapping.h"
#include "testing/mem_env.h"
#include "text/csv.h"

namespace cartera::fuzz {
namespace {

// One fixed world for every input: files in memory, a fixed clock, English texts and a
// private market service, so no input depends on the machine or on the inputs before it.
struct World {
    World() {
        CMarketService::SetCurrent(&service);
        SetLanguage(context.language);  // the texts the ledger writes read the process's
    }
    MemEnv env;
    Context context{&env, [] { return std::time_t{1796472000}; }, "/mem/home", Language::en};
    CMarketService service;
};

World& TheWorld() {
    static World world;
    return world;
}

void EnterWorld() { TheWorld().env.Files().clear(); }

std::string_view Bytes(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

void Require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// Loads bytes with load; false when the reader refused them as damaged.
template <typename Load>
bool Loads(std::string_view bytes, Load load) {
    try {
        CArchive ar(bytes);
        load(ar);
        return true;
    } catch (const CArchiveException&) {
        return false;
    }
}

template <typename Store>
std::string Stored(Store store) {
    std::string bytes;
    CArchive ar(&bytes);
    store(ar);
    return bytes;
}

// What a reader loaded must save, load back and save again to the same bytes.
template <typename Object, typename Serialize>
void CheckRoundTrip(Object& loaded, Serialize serialize, const char* what) {
    std::string first = Stored([&](CArchive& ar) { serialize(loaded, ar); });
    Object again{TheWorld().context};
    Require(Loads(first, [&](CArchive& ar) { serialize(again, ar); }), what);
    Require(Stored([&](CArchive& ar) { serialize(again, ar); }) == first, what);
}

// The three list grids a portfolio's layouts belong to, created as the window does.
struct Grids {
    explicit Grids(const Context& ctx) : ledger(ctx) {
        for (CGridQBase* grid : All()) {
            grid->CreateGrid(RECT{}, nullptr, 123);
            grid->SetLedger(&ledger);
        }
    }
    std::vector<CGridQBase*> All() { return {&movements, &closed, &open}; }
    void Serialize(CArchive& ar) {
        for (CGridQBase* grid : All()) {
            if (ar.IsLoading() && ar.AtEnd()) return;
            grid->Serialize(ar);
        }
    }
    CSistemaCartera ledger;
    CGridCartera movements;
    CGridOpCerradas closed;
    CGridOpAbiertas open;
};

// Loads data into a fresh Object; what loads must save and load back to the same bytes.
template <typename Object, typename Serialize>
void FuzzRoundTrip(const uint8_t* data, size_t size, Serialize serialize, const char* what) {
    EnterWorld();
    Object object{TheWorld().context};
    if (Loads(Bytes(data, size), [&](CArchive& ar) { serialize(object, ar); }))
        CheckRoundTrip(object, serialize, what);
}

}  // namespace

void FuzzPortfolio(const uint8_t* data, size_t size) {
    // Loaded as the store loads a file, records after the base included; saved as its base.
    auto serialize = [](CSistemaCartera& ledger, CArchive& ar) {
        if (ar.IsStoring()) return SerializePortfolio(ar, ledger);
        PortfolioStore store(&TheWorld().env);
        try {
            store.LoadBytes("/fuzz.cartera", ar.ReadView(ar.Remaining()), ledger, nullptr);
        } catch (const CArchiveException&) {
            throw;
        } catch (const Error& e) {
            Require(e.kind() == ErrorKind::damaged, "records refused without damage");
            throw CArchiveException(CArchiveException::badFormat, e.what());
        }
    };
    FuzzRoundTrip<CSistemaCartera>(data, size, serialize, "portfolio does not load back as saved");
}

void FuzzPortfolioBody(const uint8_t* data, size_t size) {
    // The envelope: an empty string, the 12-byte version record, the body's checksum and
    // length and another empty string. Taken from what an empty ledger saves, checked once.
    constexpr size_t kSumAt = 13, kEnvelopeBytes = 26;
    static const std::string envelope = [] {
        CSistemaCartera empty{TheWorld().context};
        std::string saved = Stored([&](CArchive& ar) { SerializePortfolio(ar, empty); });
        CArchive ar{std::string_view(saved)};
        ar.ReadView(kSumAt);
        Require(ar.ReadU32() == Crc32c(std::string_view(saved).substr(kEnvelopeBytes)),
                "the envelope's layout changed");
        return saved.substr(0, kEnvelopeBytes);
    }();
    std::string file = envelope;
    CArchive ar(&file);
    ar.PatchU32(kSumAt, Crc32c(Bytes(data, size)));
    ar.PatchU32(kSumAt + 4, static_cast<uint32_t>(size));
    file.append(Bytes(data, size));
    FuzzPortfolio(reinterpret_cast<const uint8_t*>(file.data()), file.size());
}

void FuzzCommissions(const uint8_t* data, size_t size) {
    FuzzRoundTrip<CAdmComisiones>(
        data, size, [](CAdmComisiones& adm, CArchive& ar) { adm.Serialize(ar); },
        "commissions do not load back as saved");
}

void FuzzGridLayout(const uint8_t* data, size_t size) {
    FuzzRoundTrip<Grids>(
        data, size, [](Grids& grids, CArchive& ar) { grids.Serialize(ar); },
        "grid layouts do not load back as saved");
}

void FuzzCsv(const uint8_t* data, size_t size) {
    EnterWorld();
    std::string_view text = Bytes(data, size);
    std::vector<CsvRecord> records;
    CsvError error;
    if (ParseCsv(text, &records, &error)) {
        std::ostringstream out;
        for (const CsvRecord& r : records) WriteCsvRecord(out, r.fields);
        std::vector<CsvRecord> again;
        Require(ParseCsv(out.str(), &again, &error), "written CSV does not parse");
        // A byte-order mark opening the first field is skipped when read back.
        bool bom = !records.empty() && records[0].fields[0].starts_with("\xEF\xBB\xBF");
        Require(bom || again.size() == records.size(), "written CSV has other records");
        for (size_t i = 0; !bom && i < records.size(); ++i)
            Require(again[i].fields == records[i].fields, "written CSV has other fields");
    }
    FuzzStatement(std::string(statements::kCarteraFormat), data, size);
}

void FuzzTicks(const uint8_t* data, size_t size) {
    EnterWorld();
    CMarketService service;
    ReplayFeed feed(service);
    if (!feed.Load(Bytes(data, size)).ok()) return;
    for (int round = 0; !feed.Done() && round < 1000; ++round) feed.AdvanceTo(feed.NextTime());
    feed.Rewind();
    feed.AdvanceTo(feed.Duration());
    Require(feed.Done(), "replay does not reach the end");
}

namespace {

// A statement planned against an empty ledger for its first account and currency, then
// against a journal that holds its trades (its cancellations left out), as an earlier
// import leaves it. Whatever the plan adds must be within the entry bounds, and whatever a
// cancellation withdraws must be a movement of that journal, each once.
void FuzzPlan(const statements::Statement& s) {
    statements::ImportOptions options;
    for (size_t line : s.movementLines) Require(line >= 1, "a movement without its line");
    for (const auto& row : s.rows) {
        Require(row.line >= 1, "a row without its line");
        if (options.account.empty()) options.account = row.account;
        if (options.currency.empty()) options.currency = row.currency;
    }
    // The first empty, shared by all inputs; the second emptied after each input.
    static CSistemaCartera* ledger = new CSistemaCartera(TheWorld().context);
    static CSistemaCartera* held = new CSistemaCartera(TheWorld().context);
    try {
        statements::ImportPlan plan = statements::PlanImport(s, *ledger, options);
        for (const COrderCartera& m : plan.added)
            Require(CheckEntryBounds(m).field == EntryField::none, "a movement beyond the bounds");
        Require(plan.withdrawn.empty(), "a movement withdrawn from an empty journal");
        statements::Statement trades = s;
        std::erase_if(trades.rows, [](const statements::StatementRow& r) {
            return r.kind == statements::RowKind::cancel;
        });
        held->AddOrders(statements::PlanImport(trades, *ledger, options).added);
        plan = statements::PlanImport(s, *held, options);
        std::set<uint64_t> ids;
        for (const COrderCartera& m : plan.withdrawn)
            Require(held->PlaceOf(m.id) != SIZE_MAX && ids.insert(m.id).second,
                    "a withdrawn movement not in the journal, or withdrawn twice");
        held->AddOrders(plan.added, {}, statements::WithdrawnIds(plan));
    } catch (const Error& e) {
        Require(e.kind() == ErrorKind::invalid_input, "the plan failed other than on its input");
    }
    std::vector<uint64_t> all;
    for (const COrderCartera& m : held->GetOrders()) all.push_back(m.id);
    held->DelOrders(all);
}

// A refusal must be an invalid-input error whose message starts with prefix.
void RequireRefusal(const Error& e, std::string_view prefix) {
    Require(e.kind() == ErrorKind::invalid_input, "a reader failed other than on its input");
    Require(std::string_view(e.what()).starts_with(prefix), "a refusal names no line");
}

// A CSV read by a mapping, then planned.
void FuzzMapped(const statements::Mapping& m, std::string_view csv) {
    std::istringstream in{std::string(csv)};
    statements::Statement s;
    try {
        s = statements::ReadMapped(in, m);
    } catch (const Error& e) {
        RequireRefusal(e, "line ");
        return;
    }
    FuzzPlan(s);
}

}  // namespace

void FuzzStatement(const std::string& format, const uint8_t* data, size_t size) {
    EnterWorld();
    if (format == "map") return FuzzMapping(data, size);
    // Prices Cartera's own CSV.
    static CSistemaCartera* schedules = new CSistemaCartera(TheWorld().context);
    // Read as the command line reads a file: its head kept, then the rest, a piece at a time.
    TheWorld().env.Files()["/mem/statement"] = std::string(Bytes(data, size));
    std::unique_ptr<SequentialFile> file;
    Require(TheWorld().env.OpenSequential("/mem/statement", &file).ok(), "statement not opened");
    FileInput in(std::move(file), statements::kDetectBytes);
    statements::ReadOptions options;
    options.ledger = schedules;
    options.env = &TheWorld().env;
    statements::Statement s;
    try {
        s = statements::ReadStatement(in, format, options);
    } catch (const Error& e) {
        RequireRefusal(e, "line ");
        return;
    }
    FuzzPlan(s);
}

void FuzzMapping(const uint8_t* data, size_t size) {
    EnterWorld();
    std::string_view text = Bytes(data, size);
    size_t split = text.find("\n--\n");
    if (split == std::string_view::npos) {
        for (const char* name : {"degiro", "trading212", "ib"})
            FuzzMapped(statements::ParseMapping(statements::ShippedMapping(name)), text);
        return;
    }
    statements::Mapping m;
    try {
        m = statements::ParseMapping(text.substr(0, split));
    } catch (const Error& e) {
        RequireRefusal(e, "mapping");
        return;
    }
    FuzzMapped(m, text.substr(split + 4));
}

void FuzzChangeLog(const uint8_t* data, size_t size) {
    const std::string_view bytes = Bytes(data, size);
    // As records: whatever reads whole must encode back to the same bytes.
    try {
        Records read = ReadRecords(bytes);
        std::string again;
        for (const Record& r : read.records) AppendRecord(&again, r.type, r.payload);
        Require(again == bytes.substr(0, read.wholeBytes), "records encode differently");
        Require(read.tornTail == (read.wholeBytes < size), "a tail left unread without a tear");
    } catch (const Error& e) {
        Require(e.kind() == ErrorKind::damaged, "records refused without damage");
    }
    // As payloads: chunks of type (1 byte), length (2 bytes) and payload made into sound
    // records, so every input reaches the replay.
    std::string records;
    for (size_t at = 0; at + 3 <= size;) {
        const auto type = static_cast<RecordType>(16 + data[at] % 5);
        const size_t n = std::min<size_t>(data[at + 1] | data[at + 2] << 8, size - at - 3);
        AppendRecord(&records, type, bytes.substr(at + 3, n));
        at += 3 + n;
    }
    Records content = ReadRecords(records);
    Require(!content.tornTail && content.wholeBytes == records.size(), "sound records read torn");
    EnterWorld();
    CSistemaCartera ledger{TheWorld().context};
    UndoHistory history;
    try {
        ReplayRecords(content, ledger, &history, -1);
    } catch (const Error& e) {
        Require(e.kind() == ErrorKind::damaged, "a change refused without damage");
    }
}

void FuzzRates(const uint8_t* data, size_t size) {
    rates::RatesTable table;
    if (!rates::ReadRates(Bytes(data, size), &table).ok()) return;
    // What the home would keep reads back as the same table.
    rates::RatesTable again;
    Require(rates::ReadRates(table.Text(), &again).ok(), "the kept table does not read back");
    Require(again == table, "the kept table reads back different rates");
    for (const char* from : {"EUR", "USD", "GBP"})
        if (const auto r = table.Lookup(from, "JPY", DateNumber(2026, 12, 6)))
            Require(r->rate > 0 && r->date <= DateNumber(2026, 12, 6), "a rate from the future");
}

FuzzFunction FuzzFunctionFor(const std::string& name) {
    if (statements::FindFormat(name))
        return [name](const uint8_t* data, size_t size) { FuzzStatement(name, data, size); };
    if (name == "mapping") return FuzzMapping;
    if (name == "change_log") return FuzzChangeLog;
    if (name == "portfolio") return FuzzPortfolio;
    if (name == "portfolio_body") return FuzzPortfolioBody;
    if (name == "commissions") return FuzzCommissions;
    if (name == "grid_layout") return FuzzGridLayout;
    if (name == "csv") return FuzzCsv;
    if (name == "ticks") return FuzzTicks;
    if (name == "rates") return FuzzRates;
    return {};
}

}  // namespace cartera::fuzz
