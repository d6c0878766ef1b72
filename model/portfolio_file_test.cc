#include "model/portfolio_file.h"

#include <tuple>

#include "host/archive.h"
#include "host/coding.h"
#include "testing/test_ledger.h"

namespace cartera::testing {
namespace {

class PortfolioFileTest : public LedgerTest {};

TEST_F(PortfolioFileTest, SavesKeepTheEnvelopeAndTheOldFileOnFailureAndDamageIsFound) {
    CSistemaCartera ledger{ctx};
    PortfolioDocument doc(&ledger, &env);
    std::string error;
    ASSERT_EQ(doc.SaveAs("/mem/p.cartera").message(), "");
    const std::string bytes = env.Files()["/mem/p.cartera"];
    ASSERT_GE(bytes.size(), 14u);
    // An empty first string, the mark, the version, the body's checksum and length, an empty
    // second string.
    EXPECT_EQ(std::tuple(bytes[0], bytes.substr(1, 4), bytes[25], bytes.size() - 26),
              std::tuple('\0', "CRTV", '\0', size_t{DecodeFixed32(&bytes[17])}));
    // Loading ignores whatever the two strings hold.
    std::string changed = bytes;
    changed[0] = 3;
    changed.insert(1, "abc");
    env.Files()["/mem/q.cartera"] = changed;
    CSistemaCartera other{ctx};
    EXPECT_EQ(PortfolioDocument(&other, &env).Load("/mem/q.cartera").message(), "");

    int updates = 0;
    doc.SetOnUpdate([&] { ++updates; });
    ledger.AddOrder(Exec(true, "ACME", 10, 20.0));
    EXPECT_EQ(std::pair(doc.SaveCount(), updates), std::pair(2, 1));
    std::string before = env.Files()["/mem/p.cartera"];
    env.SetFailWrites(true);
    ledger.AddOrder(Exec(true, "ACME", 5, 20.0));
    EXPECT_FALSE(doc.LastSaveError().empty());
    EXPECT_EQ(env.Files()["/mem/p.cartera"], before);

    CSistemaCartera reread{ctx};
    ASSERT_EQ(PortfolioDocument(&reread, &env).Load("/mem/p.cartera").message(), "");
    EXPECT_EQ(reread.GetOrders().size(), 1u);

    // A file missing, not a portfolio or cut short gives a clear error; every flipped byte of
    // the body is found by the checksum; files without one (minor version 0) still load, and
    // there the reader's own checks catch what they can.
    env.SetFailWrites(false);
    ASSERT_EQ(doc.Compact().message(), "");
    const std::string good = env.Files()["/mem/p.cartera"];
    auto loads = [&](const std::string& content) {
        env.Files()["/mem/x.cartera"] = content;
        CSistemaCartera loaded{ctx};
        error = PortfolioDocument(&loaded, &env).Load("/mem/x.cartera").message();
        return error.empty();
    };
    ASSERT_TRUE(loads(good)) << error;
    CSistemaCartera none{ctx};
    EXPECT_TRUE(
        (error = PortfolioDocument(&none, &env).Load("/mem/missing.cartera").message()).size() > 0);
    EXPECT_NE(error.find("missing.cartera"), std::string::npos) << error;
    EXPECT_FALSE(loads("hello, this is not a portfolio"));
    EXPECT_NE(error.find("not a portfolio file"), std::string::npos) << error;
    const size_t bodyEnd = 26 + DecodeFixed32(&good[17]);  // records may follow the body
    EXPECT_FALSE(loads(good.substr(0, bodyEnd - 30)));
    EXPECT_NE(error.find("x.cartera"), std::string::npos) << error;
    EXPECT_NE(error.find("ends inside its journal"), std::string::npos) << error;
    for (size_t i = 13; i < good.size(); ++i) {
        std::string flipped = good;
        flipped[i] ^= 0x10;
        ASSERT_FALSE(loads(flipped)) << i;
    }
    std::string newer = good;
    newer[5] = 2;  // major version 2
    EXPECT_FALSE(loads(newer));
    EXPECT_NE(error.find("version 2." + std::to_string(kCurrentMinor)), std::string::npos) << error;
    // Minor version 1 sums the body with FNV-1a, 2 with CRC-32C; neither gives its length.
    std::string earlier;  // the journal in the version before extra fields
    CArchive toEarlier(&earlier);
    toEarlier.SetObjectSchema(kExtraFieldsSchema - 1);
    SerializePortfolio(toEarlier, ledger);
    ASSERT_EQ(earlier[9], kExtraFieldsSchema - 1);
    std::string fnv = earlier, crc = fnv;
    fnv[9] = 1;
    fnv.erase(17, 8);
    CArchive patch(&fnv);
    patch.PatchU32(13, Fnv1a(kFnv1aStart, std::string_view(earlier).substr(26)));
    EXPECT_TRUE(loads(fnv)) << error;
    fnv[20] ^= 1;
    EXPECT_FALSE(loads(fnv));
    crc[9] = 2;
    EXPECT_TRUE(loads(crc.erase(17, 8))) << error;

    std::string old = earlier;
    old[9] = 0;  // minor version 0: no checksum
    old.erase(13, 12);
    EXPECT_TRUE(loads(old)) << error;
    // The file may end right after the extension records, not inside the layout marker.
    CSistemaCartera bare{ctx};
    bare.AddOrder(Exec(true, "ACME", 10, 20.0));
    std::string body;
    CArchive ar(&body);
    ar.SetObjectSchema(kExtraFieldsSchema - 1);
    bare.Serialize(ar);
    const std::string head = old.substr(0, 18 - 4);
    const size_t marker = body.size() - 4;  // no grids: the layout marker ends the body
    EXPECT_TRUE(loads(head + body.substr(0, marker))) << error;
    for (size_t cut = 1; cut < 4; ++cut) EXPECT_FALSE(loads(head + body.substr(0, marker + cut)));
}

// A file of the version before loads as it is, and its next save writes it whole in the
// current version.
TEST_F(PortfolioFileTest, AnEarlierVersionLoadsAndIsWrittenInTheCurrentOneOnItsNextSave) {
    CSistemaCartera ledger{ctx};
    ledger.AddOrder(Exec(true, "A", 10, 2.0));
    std::string& file = env.Files()["/mem/p.cartera"];
    CArchive ar(&file);
    ar.SetObjectSchema(kCurrentMinor - 1);
    SerializePortfolio(ar, ledger);
    CSistemaCartera old{ctx};
    PortfolioDocument oldDoc(&old, &env);
    ASSERT_EQ(oldDoc.Load("/mem/p.cartera").message(), "");
    ASSERT_EQ(old.GetOrders().size(), 1u);
    old.AddOrder(Exec(false, "A", Quantity::FromUnits(5'000'000'000), 3.0));
    EXPECT_EQ(env.Files()["/mem/p.cartera"][9], kCurrentMinor);
    CSistemaCartera reread{ctx};
    ASSERT_EQ(PortfolioDocument(&reread, &env).Load("/mem/p.cartera").message(), "");
    ASSERT_EQ(reread.GetOrders().size(), 2u);
    EXPECT_EQ(reread.GetOrders()[1].contracts.Text(), "0.5");
}

}  // namespace
}  // namespace cartera::testing
