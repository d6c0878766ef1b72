#include <tuple>

#include "host/archive.h"
#include "host/coding.h"
#include "model/extra_fields.h"
#include "testing/test_ledger.h"

namespace cartera::testing {
namespace {

class BodyTest : public LedgerTest {
  protected:
    std::string Store(CSistemaCartera& l) {
        std::string out;
        CArchive ar(&out);
        l.Serialize(ar);
        return out;
    }
    void Load(CSistemaCartera& l, const std::string& data) {
        CArchive ar{std::string_view(data)};
        l.Serialize(ar);
    }
    // A main record written field by field, independently of the ledger's writer.
    static void PutRecord(std::string* s, int32_t id, int32_t type, const std::string& code,
                          int32_t contracts = 10, double price = 2.5) {
        PutFixed32(s, 7);  // order type
        PutFixed32(s, 0);  // field A
        PutFixed32(s, static_cast<uint32_t>(contracts));
        PutFixed32(s, 3);  // field B
        PutDouble(s, price);
        s->push_back(0);  // order text
        PutFixed32(s, static_cast<uint32_t>(id));
        PutDouble(s, 0.25);  // commission per contract
        PutDouble(s, 1.0);   // point value
        s->push_back(static_cast<char>(code.size()));
        s->append(code);
        PutFixed32(s, 20000);  // date
        PutFixed32(s, 3600);   // time
        PutFixed32(s, static_cast<uint32_t>(type));
        s->push_back(1);
        s->push_back('G');  // group
        PutDouble(s, 0.0);
        s->push_back(static_cast<char>(code.size()));
        s->append(code);  // symbol
    }
    static std::string Header(uint32_t lastId, int32_t tab, int32_t n) {
        std::string s;
        for (uint32_t v : {lastId, static_cast<uint32_t>(tab), static_cast<uint32_t>(n)})
            PutFixed32(&s, v);
        s.push_back(0);  // the portfolio's currency, not named
        return s;
    }
};

TEST_F(BodyTest, EmptyPortfolioBytes) {
    CSistemaCartera l{ctx};
    RecordingView movements(ILedgerView::Layout::movements), closed(ILedgerView::Layout::closed),
        open;
    l.AddView(&movements);
    l.AddView(&closed);
    l.AddView(&open);
    movements.layoutValue = 1;
    closed.layoutValue = 2;
    open.layoutValue = 3;
    std::string expected = Header(0, -1, 0);
    // The markers, then the layouts of movements, closed and open, in that order.
    for (uint32_t v : {0xFFFFFFFFu, 0xFFFFFFFEu, 1u, 2u, 3u}) PutFixed32(&expected, v);
    EXPECT_EQ(Store(l), expected);
}

TEST_F(BodyTest, StoreThenLoadGivesTheSameJournal) {
    CSistemaCartera a{ctx};
    COrderCartera buy = Exec(true, "ACME", 10, 20.0, 0.1);
    buy.schedule = "Broker";
    buy.group = "Tech";
    buy.decimals = 4;
    buy.balance = 99.0;
    a.AddOrder(buy);
    a.AddOrder(Exec(false, "acme", 4, 22.0));
    a.AddOrder(Cash(kImposition, 1, 1000.0));
    a.AddOrder(Action(kMerger, "OTHER", "1:3 to=NEXT"));  // its terms where a schedule goes
    a.SetPestanaActiva(2);
    std::string bytes = Store(a);

    CSistemaCartera b{ctx};
    Load(b, bytes);
    ASSERT_EQ(b.GetOrders().size(), 4u);
    EXPECT_EQ(std::tuple(b.GetLastId(), b.GetPestanaActiva()), std::tuple(4u, 2));
    EXPECT_EQ(std::tuple(b.GetOrders()[3].terms, b.GetOrders()[3].schedule),
              std::tuple("1:3 to=NEXT", ""));
    const COrderCartera& m = b.GetOrders()[0];
    EXPECT_EQ(std::tie(m.schedule, m.group, m.quoteCode),
              std::tie(buy.schedule, buy.group, buy.quoteCode));
    EXPECT_TRUE(m.id == 1u && m.buy == 1 && m.closing == 1);
    EXPECT_EQ(m.decimals, 2);                                   // not stored
    EXPECT_EQ(m.balance, 0.0);                                  // not stored
    EXPECT_EQ(b.GetOrders()[1].buy + b.GetOrders()[2].buy, 0);  // only type 0 buys
    EXPECT_EQ(std::tuple(b.GetCapital(), b.GetGanCerradas()),
              std::tuple(a.GetCapital(), a.GetGanCerradas()));
    EXPECT_EQ(b.GetClosedTrades().size(), 1u);
    // Open trades come back valued at their entry: exit commission reset to the entry's.
    ASSERT_EQ(b.GetOpenTrades().size(), 1u);
    EXPECT_EQ(std::tuple(b.GetOpenTrades()[0].exitCommission, b.GetOpenTrades()[0].exitPrice),
              std::tuple(0.1, 20.0));
    EXPECT_EQ(service.RegistrationCount(&b, "acme"), 2);
    // Written again without grids: the same bytes, layouts included.
    EXPECT_EQ(Store(b), bytes);
}

// Quantities are stored exactly. A whole one the 32-bit count holds costs nothing more; any
// other is marked there, its units after the extension record. Files of earlier versions
// have no units: their counts, the mark's value too, read as they are.
TEST_F(BodyTest, QuantitiesRoundTripExactlyAndEarlierVersionsReadTheirCounts) {
    const char* texts[] = {
        "7", "0.5", "29.80478", "-0.6102", "-2147483648", "2147483647.0000000001", "0.0000000001"};
    CSistemaCartera a{ctx}, b{ctx};
    for (const char* text : texts) {
        Quantity q;
        ASSERT_TRUE(ParseQuantity(text, &q));
        a.AddOrder(Exec(true, "A", q, 1.0));
    }
    const std::string bytes = Store(a);
    Load(b, bytes);
    for (size_t i = 0; i < std::size(texts); ++i)
        EXPECT_EQ(b.GetOrders()[i].contracts.Text(), texts[i]);
    EXPECT_EQ(Store(b), bytes);

    std::string whole, fraction;
    CArchive toWhole(&whole), toFraction(&fraction);
    WriteWholeMovement(toWhole, a.GetOrders()[0]);
    WriteWholeMovement(toFraction, a.GetOrders()[1]);
    EXPECT_EQ(fraction.size(), whole.size() + 5);  // 0.5: 5e9 units
    std::string earlier = whole.substr(0, 8);      // the count of the main record marked
    PutFixed32(&earlier, 0x80000000u);
    earlier += whole.substr(12, whole.size() - 13);  // without the extra fields
    CArchive older{std::string_view(earlier)};
    older.SetObjectSchema(kExactQuantitySchema - 1);
    EXPECT_EQ(ReadWholeMovement(older).contracts, Quantity(INT32_MIN));
    EXPECT_TRUE(older.AtEnd());
    CArchive newer{std::string_view(earlier)};
    EXPECT_THROW(ReadWholeMovement(newer), CArchiveException);  // the units are missing
}

// A movement's currency and rate ride in its extra fields: one byte for a movement without
// them, read back exactly; earlier versions have none. Damaged fields are refused, never
// guessed.
TEST_F(BodyTest, ExtraFieldsRoundTripAndDamagedOnesAreRefused) {
    CSistemaCartera a{ctx}, b{ctx};
    a.AddOrder(Exec(true, "A", Quantity(3), 10.0));
    COrderCartera usd = Exec(true, "B", Quantity(2), 20.0);
    usd.currency = PooledText("USD");
    usd.rate = 0.9123456789012345;
    a.AddOrder(usd);
    const std::string bytes = Store(a);
    Load(b, bytes);
    EXPECT_EQ(b.GetOrders()[0].currency.str(), "");
    EXPECT_EQ(b.GetOrders()[0].rate, 1.0);
    EXPECT_EQ(b.GetOrders()[1].currency.str(), "USD");
    EXPECT_EQ(b.GetOrders()[1].rate, usd.rate);
    EXPECT_EQ(Store(b), bytes);

    std::string plain, fields;
    CArchive toPlain(&plain), toFields(&fields);
    WriteWholeMovement(toPlain, a.GetOrders()[0]);
    WriteWholeMovement(toFields, a.GetOrders()[1]);
    ASSERT_EQ(plain.back(), '\0');
    CArchive older{std::string_view(plain).substr(0, plain.size() - 1)};
    older.SetObjectSchema(kExtraFieldsSchema - 1);
    EXPECT_EQ(ReadWholeMovement(older).price, 10.0);
    EXPECT_TRUE(older.AtEnd());

    // The fields are the record's last 16 bytes: count, then currency (tag, length, 3 bytes)
    // and rate (tag, length, 8 bytes).
    const size_t at = fields.size() - 16;
    ASSERT_EQ(fields[at], 15);
    auto refused = [&](size_t offset, std::string_view with) {
        std::string damaged = fields;
        damaged.replace(at + offset, with.size(), with);
        CArchive ar{std::string_view(damaged)};
        EXPECT_THROW(ReadWholeMovement(ar), CArchiveException) << offset;
    };
    refused(0, "\x10");                // a count beyond the record
    refused(1, "\x09");                // an unknown tag
    refused(1, "\x02");                // the rate given twice
    refused(2, "\x02");                // a currency of two letters
    refused(3, "u");                   // not a capital
    refused(7, "\x07");                // a rate of seven bytes
    refused(8, std::string(8, '\0'));  // a rate of 0
    refused(15, "\xBF");               // a negative rate
    refused(14, "\xF0\x7F");           // a rate that is not finite
}

// Ids are sign-extended, the id counter is the file's, and the legacy extension block matches
// records by their full ids.
TEST_F(BodyTest, IdsAreSignExtendedCountersKeptAndTheLegacyBlockMatchesByFullId) {
    std::string s = Header(5, -1, 3);
    PutRecord(&s, 1, kBuy, "A");
    PutRecord(&s, 2, kSell, "A");
    PutRecord(&s, -2, kBuy, "B");
    PutFixed32(&s, 2);  // M = 2 legacy short records
    for (uint32_t id : {2u, 0xFFFFFFFEu}) {
        PutFixed32(&s, id);
        PutFixed32(&s, 42);
        PutDouble(&s, 9.99);
        s += '\x03';
        s += "Old";
    }
    RecordingView movements(ILedgerView::Layout::movements);
    CSistemaCartera l{ctx};
    l.AddView(&movements);
    PutFixed32(&s, 0x1234);  // the movements grid's layout follows the legacy block
    Load(l, s);
    EXPECT_EQ(std::tie(l.GetOrders()[0].schedule, l.GetOrders()[0].reserved), std::tuple("", -1));
    // The record's commission is kept, not the block's.
    EXPECT_EQ(
        std::tie(l.GetOrders()[1].schedule, l.GetOrders()[1].reserved, l.GetOrders()[1].commission),
        std::tuple("Old", 42, 0.25));
    // 0xFFFFFFFE widened with a zero high half is not the sign-extended id -2.
    EXPECT_EQ(l.GetOrders()[2].schedule, "");
    EXPECT_EQ(l.GetLegacyExtensions().size(), 2u);
    EXPECT_EQ(movements.layoutValue, 0x1234u);
    EXPECT_EQ(l.GetOrden(0xFFFFFFFFFFFFFFFEull), &l.GetOrders()[2]);
    l.AddOrder(Cash(kDeposit, 1, 1.0));
    EXPECT_EQ(l.GetOrders().back().id, 6u);
}

TEST_F(BodyTest, MarkerVariantsAndShortFiles) {
    RecordingView movements(ILedgerView::Layout::movements);
    // M = 0: no extension data, the layouts follow at once.
    std::string zero = Header(1, -1, 1);
    PutRecord(&zero, 1, kBuy, "A");
    PutFixed32(&zero, 0);
    PutFixed32(&zero, 0x77);
    CSistemaCartera a{ctx};
    a.AddView(&movements);
    Load(a, zero);
    EXPECT_EQ(movements.layoutValue, 0x77u);
    EXPECT_EQ(a.GetOpenTrades().size(), 1u);

    // Ending right after the extension records is fine; the grid keeps its layout.
    std::string current = Header(1, -1, 1);
    PutRecord(&current, 1, kBuy, "A");
    PutFixed32(&current, 0xFFFFFFFF);
    current +=
        "\x02"
        "S1";
    PutFixed32(&current, 8);
    current.push_back(0);  // no extra fields
    CSistemaCartera b{ctx};
    b.AddView(&movements);
    Load(b, current);
    EXPECT_EQ(b.GetOrders()[0].schedule, "S1");
    EXPECT_EQ(movements.layoutValue, 0x77u);
    EXPECT_EQ(b.GetOpenTrades().size(), 1u);  // the after-loading process still ran

    // A marker other than -2 after the extension block: no layouts are read.
    std::string other = current;
    PutFixed32(&other, 5);
    PutFixed32(&other, 0x99);
    CSistemaCartera c{ctx};
    c.AddView(&movements);
    Load(c, other);
    EXPECT_EQ(movements.layoutValue, 0x77u);
}

TEST_F(BodyTest, TruncationAndCraftedCountsRaiseArchiveErrors) {
    CSistemaCartera a{ctx};
    a.AddOrder(Exec(true, "ACME", 10, 20.0));
    a.AddOrder(Exec(true, "BETA", 10, 20.0));
    std::string full = Store(a);
    size_t extension = full.size() - 4 - 2 * 5;  // -2 marker and two (string, u32) records
    for (size_t cut = 0; cut < extension; ++cut) {
        CSistemaCartera l{ctx};
        EXPECT_THROW(Load(l, full.substr(0, cut)), CArchiveException) << "cut at " << cut;
        EXPECT_LE(l.GetOrders().size(), 2u);
    }
    // The records read before the failure stay.
    CSistemaCartera partial{ctx};
    EXPECT_THROW(Load(partial, full.substr(0, full.size() / 2)), CArchiveException);
    EXPECT_EQ(partial.GetOrders().size(), 1u);
    // A count of two thousand million with nothing behind it fails fast.
    CSistemaCartera l{ctx};
    EXPECT_THROW(Load(l, Header(0, 0, 0x7FFFFFFF)), CArchiveException);
    EXPECT_THROW(Load(l, Header(0, 0, -4)), CArchiveException);
}

}  // namespace
}  // namespace cartera::testing
