#include "commissions/comisiones.h"

#include <gtest/gtest.h>

#include <tuple>

#include "host/archive.h"
#include "host/coding.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/strings.h"
#include "testing/mem_env.h"
#include "testing/test_support.h"

namespace {

using cartera::PutDouble;
using cartera::PutFixed16;
using cartera::PutFixed32;
using cartera::testing::Bracket;

// Every field distinct, so a swapped pair in the file shows.
stComision DistinctRecord() {
    return {7, 11, 4, "Broker", 1, 10.5, 8.5, 3.5, 4.5, 2.5, 6.5, 1.5, 5.5, 9.5, 13.5, 12.5};
}

// The record as the file lays it out, built without the archive.
std::string RecordBytes(const stComision& r) {
    std::string b;
    PutFixed32(&b, static_cast<uint32_t>(r.isDefault));
    b.push_back(static_cast<char>(r.name.size()));  // short names only
    b += r.name;
    for (double d : {r.royalty, r.from, r.brokeragePct, r.brokerageMin, r.spare1, r.to})
        PutDouble(&b, d);
    PutFixed32(&b, static_cast<uint32_t>(r.idSchedule));
    for (double d : {r.commissionMin, r.spare2, r.commissionPct}) PutDouble(&b, d);
    PutFixed32(&b, static_cast<uint32_t>(r.bracketIndex));
    PutFixed32(&b, static_cast<uint32_t>(r.kind));
    PutDouble(&b, r.unitRate);
    PutDouble(&b, r.unitMin);
    return b;
}

// A body as a current file holds it: version record 1.2 and the body's checksum first.
std::string Versioned(const std::string& body) {
    std::string b;
    for (uint32_t v : {0x56545243u, 1u, 2u, cartera::Crc32c(body)}) PutFixed32(&b, v);
    return b + body;
}

class CommissionFileTest : public testing::Test {
  protected:
    CommissionFileTest() : m_language(cartera::CurrentLanguage()) {
        cartera::SetLanguage(cartera::Language::en);
    }
    ~CommissionFileTest() override { cartera::SetLanguage(m_language); }

    std::string& FileData() { return m_env.Files()[m_adm.FilePath()]; }
    void PutFile(const std::string& data) { m_env.Files()[m_adm.FilePath()] = data; }

    cartera::MemEnv m_env;
    cartera::Context m_context{&m_env, {}, "/tmp/cartera-commissions-test"};
    cartera::Language m_language;
    CAdmComisiones m_adm{m_context};
};

TEST_F(CommissionFileTest, SavesTheFieldsInFileOrderAndLoadsThemAsStored) {
    m_adm.Add(DistinctRecord());
    ASSERT_TRUE(m_adm.Save().ok());
    std::string expected;
    PutFixed32(&expected, 1);
    expected += RecordBytes(DistinctRecord());
    EXPECT_EQ(FileData(), Versioned(expected));
    EXPECT_EQ(expected.size(), 4 + 104 + 1 + 6u);

    CAdmComisiones loaded(m_context);
    loaded.Load();
    EXPECT_EQ(loaded.Records(), CArrayComisiones{DistinctRecord()});

    // Loading keeps stored ids and unusual values, and reads a name in the wide form: FF
    // FEFF, length 3, "Año" in UTF-16.
    stComision odd = Bracket("X", 99, 500, -500, -1, -1);  // unknown kind, reversed bounds
    std::string wide = RecordBytes(DistinctRecord()), name("\xFF", 1);
    PutFixed16(&name, 0xFFFE);
    name.push_back(3);
    for (char16_t u : {u'A', u'\u00F1', u'o'}) PutFixed16(&name, u);
    wide.replace(4, 1 + DistinctRecord().name.size(), name);
    std::string data;
    PutFixed32(&data, 2);
    PutFile(data + RecordBytes(odd) + wide);
    m_adm.Load();
    ASSERT_EQ(m_adm.Records().size(), 2u);
    EXPECT_EQ(m_adm.Records()[0], odd);  // not renumbered as Add would
    stComision named = DistinctRecord();
    named.name = "A\xC3\xB1o";
    EXPECT_EQ(m_adm.Records()[1], named);
}

TEST_F(CommissionFileTest, TruncatedFileKeepsCompleteRecords) {
    stComision second = DistinctRecord();
    second.name = "Second";
    std::string data;
    PutFixed32(&data, 2);
    const size_t firstEnd = 4 + RecordBytes(DistinctRecord()).size();
    data += RecordBytes(DistinctRecord()) + RecordBytes(second);

    using Cut = std::pair<size_t, size_t>;  // where the file ends, the records kept
    for (auto [at, kept] : {Cut{2, 0}, Cut{4, 0}, Cut{10, 0}, Cut{60, 0}, Cut{firstEnd - 1, 0},
                            Cut{firstEnd, 1}, Cut{firstEnd + 5, 1}, Cut{data.size() - 1, 1}}) {
        SCOPED_TRACE(at);
        PutFile(data.substr(0, at));
        CAdmComisiones adm(m_context);
        adm.Add(Bracket("Stale", 4, 0, 1));
        try {
            adm.Load();
            ADD_FAILURE() << "no end-of-file error";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
        }
        ASSERT_EQ(adm.Records().size(), kept);
        if (kept) {
            EXPECT_EQ(adm.Records()[0], DistinctRecord());
        }
    }
    PutFile(data.replace(0, 4, "\xFF\xFF\xFF\xFF"));  // a crafted count
    EXPECT_THROW(m_adm.Load(), CArchiveException);    // not std::bad_alloc
    EXPECT_EQ(m_adm.Records().size(), 2u);
}

// Every flipped byte, unknown version and appended tail is refused, and what was read from
// such a file is never saved over it.
TEST_F(CommissionFileTest, DamagedFileIsRefusedAndNeverRewrittenAMissingOneChangesNothing) {
    m_adm.Add(DistinctRecord());
    m_adm.Add(Bracket("B", 4, 0, 1000));
    ASSERT_TRUE(m_adm.Save().ok());
    const std::string good = FileData(), none(4, '\0');  // none: the first format, no records
    std::vector<std::string> damaged = {good + "x", none + "x", Versioned(none + "x"), good, good};
    damaged[3][4] = 2;  // major 2
    damaged[4][8] = 3;  // minor 3
    for (size_t i = 0; i < good.size(); ++i) {
        damaged.push_back(good);
        damaged.back()[i] ^= static_cast<char>(1 << (i % 8));
    }
    for (const std::string& data : damaged) {
        PutFile(data);
        CAdmComisiones adm(m_context);
        EXPECT_THROW(adm.Load(), CArchiveException);
        EXPECT_NE(adm.LoadError(), "");
        adm.Add(Bracket("New", 4, 0, 1));
        EXPECT_FALSE(adm.Save().ok());
        EXPECT_EQ(FileData(), data);
    }

    // A missing file and a failed write change nothing; an empty file empties.
    m_env.Files().clear();
    m_adm.Add(Bracket("A", 4, 0, 1));
    const CArrayComisiones before = m_adm.Records();
    m_adm.Load();
    EXPECT_EQ(m_adm.Records(), before);

    m_env.SetFailWrites(true);
    EXPECT_FALSE(m_adm.Save().ok());
    EXPECT_TRUE(m_adm.Records() == before && m_env.Files().empty());

    PutFile(std::string(4, '\0'));  // a zero count
    m_adm.Load();
    EXPECT_TRUE(m_adm.Records().empty());
}

TEST_F(CommissionFileTest, OneFileWhateverTheLanguageAdoptingAnOldLanguagesFileOnce) {
    const std::string folder = "/tmp/cartera-commissions-test/";
    m_adm.Add(Bracket("A", 4, 0, 1));
    ASSERT_TRUE(m_adm.Save().ok());
    const std::string italian = FileData();
    m_env.Files().clear();
    m_env.Files()[folder + "Commissioni.bin"] = italian;

    cartera::SetLanguage(cartera::Language::fr);
    CAdmComisiones french(m_context);
    EXPECT_EQ(french.FilePath(), folder + "Comisiones.bin");
    french.Load();
    EXPECT_EQ(french.Records(), m_adm.Records()) << "the Italian file adopted";
    EXPECT_EQ(m_env.Files()[folder + "Commissioni.bin"], italian) << "kept as it was";

    french.RemoveAll();
    ASSERT_TRUE(french.Save().ok());
    french.Load();
    EXPECT_TRUE(french.Records().empty()) << "adopted once: the old file is not read again";
}

class CommissionScheduleTest : public testing::Test {
  protected:
    std::vector<std::string> Names(int32_t kind) const {
        std::vector<std::string> out;
        m_adm.GetScheduleNames(out, kind);
        return out;
    }
    CAdmComisiones m_adm{cartera::testing::BareContext()};
};

TEST_F(CommissionScheduleTest, AddAssignsIdsFromTheLastRecord) {
    // The id and index given, then the ones the record gets: the empty collection's first
    // id, the last record's id + 1 (not the greatest id), the next index within the id, both
    // kept when both are given, the first index of an id no record has.
    struct Case {
        int32_t id, index, gotId, gotIndex;
    };
    for (Case c : {Case{-1, 5, 0, 0}, Case{20, 0, 20, 0}, Case{7, 3, 7, 3}, Case{-1, 9, 8, 0},
                   Case{8, -1, 8, 1}, Case{7, 2, 7, 2}, Case{7, -1, 7, 4}, Case{42, -1, 42, 1}}) {
        m_adm.Add(Bracket("A", 4, 0, 1, c.id, c.index));
        const stComision& added = m_adm.Records().back();
        EXPECT_EQ(std::tuple(added.idSchedule, added.bracketIndex), std::tuple(c.gotId, c.gotIndex))
            << c.id << " " << c.index;
    }
}

// Look-ups are by exact name, first record first; other kinds are skipped, not a break.
TEST_F(CommissionScheduleTest, QueriesDefaultsDeletionAndBracketChecksByNameAndKind) {
    EXPECT_EQ(m_adm.GetMaxBracketIndex(5), 0);
    for (stComision b :
         {Bracket("A", 8, 0, 1, 5, -5), Bracket("A", 4, 0, 1, 6, 0), Bracket("Z", 8, 0, 1, 9, 0),
          Bracket("B", 4, 0, 1, 7, 9), Bracket("A", 4, 2, 3, 6, 6), Bracket("A", 4, 4, 5, 6, 2)})
        m_adm.Add(b);
    // Never below zero; the first record's id, whatever its kind.
    EXPECT_EQ(std::tuple(m_adm.GetMaxBracketIndex(5), m_adm.GetMaxBracketIndex(6),
                         m_adm.FindScheduleId("A"), m_adm.FindScheduleId("a")),
              std::tuple(0, 6, 5, -1));
    EXPECT_TRUE(m_adm.Exists("A", 8) && !m_adm.Exists("A", 2));
    EXPECT_EQ(Names(4), (std::vector<std::string>{"A", "B", "A"}));
    EXPECT_EQ(Names(8), (std::vector<std::string>{"A", "Z"}));
    CArrayComisiones first, byKind, brackets;
    m_adm.GetFirstOfEachName(4, first);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[1], m_adm.Records()[3]);
    m_adm.GetByKind(4, byKind);
    EXPECT_EQ(byKind.size(), 4u);
    m_adm.GetBrackets("A", 4, brackets);
    ASSERT_EQ(brackets.size(), 3u);
    EXPECT_EQ(brackets[1].from, 2);

    EXPECT_EQ(m_adm.GetDefaultName(), "");
    m_adm.SetDefault("B");
    m_adm.SetDefault("A");
    for (const stComision& r : m_adm.Records())
        EXPECT_EQ(r.isDefault, r.name == "A" ? 1 : 0) << r.name << " kind " << r.kind;
    EXPECT_EQ(m_adm.GetDefaultName(4) + "|" + m_adm.GetDefaultName(2), "A|");
    m_adm.SetDefault("none");
    EXPECT_EQ(m_adm.GetDefaultName(), "");

    m_adm.DeleteSchedule("A", 4);
    ASSERT_EQ(m_adm.Records().size(), 3u);
    EXPECT_TRUE(m_adm.Records()[0].kind == 8 && !m_adm.Exists("A", 4));

    // A bracket is refused when it has no name or overlaps one of its schedule and kind.
    EXPECT_TRUE(m_adm.CheckBracket("S", 4, 0, 50));  // missing schedule
    EXPECT_FALSE(m_adm.CheckBracket("", 4, 0, 50));
    m_adm.Add(Bracket("S", 4, 0, 100));
    m_adm.Add(Bracket("S", 8, 1000, 2000));  // another kind does not count
    m_adm.Add(Bracket("", 4, 5000, 6000));

    struct Case {
        double from, to;
        bool accepted;
    };
    for (Case c : {Case{0, 50, false}, Case{0, 200, false}, Case{-10, 50, false},
                   Case{20, 100, false}, Case{50, 200, true}, Case{100, 200, true},
                   Case{101, 200, true}, Case{-10, 500, true}, Case{1000, 1500, true}}) {
        EXPECT_EQ(m_adm.CheckBracket("S", 4, c.from, c.to), c.accepted) << c.from << "-" << c.to;
    }
    EXPECT_TRUE(m_adm.CheckBracket("T", 4, 0, 100) && !m_adm.CheckBracket("", 4, 7000, 8000));
}

}  // namespace
