#pragma once
// Test fixtures for the model: a context of an in-memory file system and a fixed clock, a
// private market service, and fakes for the document and the grids the ledger talks to.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "host/archive.h"
#include "host/context.h"
#include "host/dates.h"
#include "host/env.h"
#include "host/market.h"
#include "host/strings.h"
#include "model/links.h"
#include "model/sistema.h"
#include "testing/mem_env.h"
#include "testing/test_support.h"

namespace cartera::testing {

// A buy (or sell) of contracts of code at price, commission a contract, on date.
inline COrderCartera Exec(bool buy, const std::string& code, Quantity contracts, double price,
                          double commission = 0.0, int32_t date = 20000) {
    COrderCartera m;
    m.type = buy ? kBuy : kSell;
    m.buy = buy ? 1 : 0;
    m.closing = 1;
    m.quoteCode = code;
    m.symbol = code;
    m.contracts = contracts;
    m.price = price;
    m.commission = commission;
    m.pointValue = 1.0;
    m.date = date;
    return m;
}

// A cash movement (or dividend) of type: contracts times price.
inline COrderCartera Cash(int32_t type, Quantity contracts, double price, int32_t date = 0) {
    COrderCartera m = Exec(true, "cash", contracts, price, 0.0, date);
    m.type = type;
    return m;
}

// A corporate action of type on code, with its terms' canonical text (model/action.h).
inline COrderCartera Action(int32_t type, const std::string& code, const std::string& terms,
                            int32_t date = 20000) {
    COrderCartera m = Exec(false, code, 0, 0.0, 0.0, date);
    m.type = type;
    m.terms = terms;
    return m;
}

class FakeDocument : public ILedgerDocument {
  public:
    void DoFileSave() override { ++saves; }
    void UpdateAllViews() override { ++updates; }
    std::string GetTitle() const override { return title; }
    void SetTitle(const std::string& t) override { title = t; }
    int saves = 0, updates = 0;
    std::string title;
};

// A view that records what the ledger tells it; it keeps a fixed layout (the open trades'
// unless told otherwise) so the file's layout section can be checked.
class RecordingView : public ILedgerView {
  public:
    explicit RecordingView(Layout kept = Layout::open) : layout(kept) {}
    Layout StoredLayout() const override { return layout; }
    void SerializeLayout(CArchive& ar) override {
        if (ar.IsStoring())
            ar.WriteU32(layoutValue);
        else
            layoutValue = ar.ReadU32();
    }
    void OpenTradeChanged(const CNegocioC& t) override { updatedIds.push_back(t.id); }
    void OpenTradesRevalued() override { ++revalued; }
    void TotalsChanged() override { ++refreshes; }
    Layout layout;
    std::vector<uint64_t> updatedIds;
    int revalued = 0, refreshes = 0;
    uint32_t layoutValue = 0xABCD;
};

class LedgerTest : public ::testing::Test {
  protected:
    // Set up in the constructor, so ledgers that derived fixtures hold as members (made on
    // ctx) attach to this fixture's market service.
    LedgerTest() {
        setenv("TZ", "UTC", 1);
        tzset();
        CMarketService::SetCurrent(&service);
        SetLanguage(Language::en);
    }
    ~LedgerTest() override { CMarketService::SetCurrent(nullptr); }

    // Publishes the (kind, value) pairs for code on the fixture's service; or one last price.
    void Tick(const std::string& code, std::initializer_list<std::pair<int, double>> values) {
        CMensajePelvo msg(code);
        for (auto [kind, value] : values) msg.AddValor(kind, value);
        service.Publish(msg);
    }
    void Tick(const std::string& code, double last) { Tick(code, {{kTickLast, last}}); }

    // 2026-12-05 12:00:00 UTC.
    static constexpr std::time_t kNow = 1796472000;
    MemEnv env;
    Context ctx{&env, [] { return kNow; }, "/mem/home", Language::en};
    CMarketService service;
};

}  // namespace cartera::testing
