#include "model/demo.h"

#include <memory>
#include <optional>
#include <vector>

#include "commissions/comisiones.h"
#include "host/archive.h"
#include "host/dates.h"
#include "model/entry.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"

namespace cartera {
namespace {

stComision Bracket(double from, double to, double pct, double min, double brokeragePct,
                   double brokerageMin, double royalty) {
    stComision r;
    r.kind = 4;
    r.name = kDemoSchedule;
    r.from = from;
    r.to = to;
    r.commissionPct = pct;
    r.commissionMin = min;
    r.brokeragePct = brokeragePct;
    r.brokerageMin = brokerageMin;
    r.royalty = royalty;
    return r;
}

Status WriteSchedule(const Context& ctx) {
    CAdmComisiones adm(ctx);
    try {
        adm.Load();
    } catch (const CArchiveException& e) {
        return Status(ErrorKind::damaged,
                      "damaged commission file " + adm.FilePath() + ": " + e.what());
    }
    adm.DeleteSchedule(kDemoSchedule, 4);
    stComision first = Bracket(0, 3000, 0.25, 4, 0.05, 1, 0);
    first.idSchedule = adm.FindScheduleId(kDemoSchedule);  // -1: a new schedule id
    adm.Add(first);
    int32_t id = adm.FindScheduleId(kDemoSchedule);
    for (stComision r : {Bracket(3000.01, 15000, 0.2, 6, 0.04, 2, 1),
                         Bracket(15000.01, 1e9, 0.15, 25, 0.03, 5, 2)}) {
        r.idSchedule = id;
        adm.Add(r);
    }
    adm.SetDefault(kDemoSchedule);
    if (Status saved = adm.Save(); !saved.ok())
        return Status(saved.kind(), "cannot write the commission file " + adm.FilePath());
    return {};
}

std::time_t At(int year, int month, int day, int hour, int minute) {
    return CTimeLong::GetTime(DateNumber(year, month, day), TimeNumber(hour, minute, 0));
}

struct Execution {
    bool buy;
    const char* code;
    const char* symbol;
    int decimals;
    int contracts;
    const char* price;
    const char* group;
    std::time_t when;
};

COrderCartera Recorded(const CSistemaCartera& ledger, const Execution& e) {
    BuySellPage page;
    page.buy = e.buy;
    page.code = e.code;
    page.symbol = e.symbol;
    page.symbolDecimals = e.decimals;
    page.contractsText = std::to_string(e.contracts);
    page.priceText = e.price;
    page.schedule = std::string(kDemoSchedule);
    page.group = e.group;
    page.when = e.when;
    return *BuildBuySell(ledger, page);
}

// The demo's journal, built by the entry pages' rules.
std::vector<COrderCartera> DemoJournal(const CSistemaCartera& ledger) {
    std::vector<COrderCartera> j;
    auto exec = [&](const Execution& e) { j.push_back(Recorded(ledger, e)); };
    j.push_back(BuildCashMovement(kImposition, "Initial capital", 50000, At(2024, 1, 8, 9, 0)));
    j.push_back(BuildCashMovement(kDeposit, "Bond coupon", 1200, At(2024, 1, 10, 12, 0)));
    exec({true, "SAN.MC", "Banco Santander", 3, 1000, "3.65", "Banks", At(2024, 1, 15, 9, 31)});
    exec({true, "ITX.MC", "Inditex", 2, 60, "36.40", "Retail", At(2024, 1, 22, 10, 5)});
    exec({true, "SAP.DE", "SAP", 2, 20, "148.50", "Tech", At(2024, 2, 5, 11, 12)});
    exec({true, "TEF.MC", "Telefónica", 3, 1500, "3.78", "Telecom", At(2024, 2, 12, 9, 45)});
    exec({true, "IBE.MC", "Iberdrola", 3, 400, "10.95", "Utilities", At(2024, 3, 4, 15, 20)});
    exec({false, "ITX.MC", "Inditex", 2, 60, "42.10", "Retail", At(2024, 3, 18, 16, 2)});
    exec({false, "TEF.MC", "Telefónica", 3, 1500, "3.52", "Telecom", At(2024, 4, 2, 10, 40)});
    exec({false, "AIR.PA", "Airbus", 2, 30, "158.20", "Industry", At(2024, 4, 15, 14, 10)});
    j.push_back(
        BuildDividend("Banco Santander", "SAN.MC", 3, 1000, 0.12, "Banks", At(2024, 5, 6, 8, 0)));
    j.push_back(BuildCashMovement(kExpense, "Custody fees", 35.5, At(2024, 5, 20, 8, 0)));
    j.push_back(BuildCashMovement(kRefund, "Withdrawal", 5000, At(2024, 6, 3, 13, 0)));
    exec({false, "SAN.MC", "Banco Santander", 3, 400, "4.10", "Banks", At(2024, 6, 10, 9, 50)});
    return j;
}

}  // namespace

Status BuildDemoPortfolio(const Context& ctx, const std::string& path) {
    if (Status written = WriteSchedule(ctx); !written.ok()) return written;
    std::unique_ptr<CSistemaCartera> ledger;
    try {
        ledger = std::make_unique<CSistemaCartera>(LoadCommissions(ctx), ctx);
    } catch (const CArchiveException& e) {
        return Status(ErrorKind::damaged, "damaged commission file " +
                                              CAdmComisiones(ctx).FilePath() + ": " + e.what());
    }
    // Without a document the ledger saves nothing; the file is written once, whole.
    ledger->AddOrders(DemoJournal(*ledger));
    PortfolioDocument doc(ledger.get(), ctx.env);
    return doc.SaveAs(path);
}

}  // namespace cartera
