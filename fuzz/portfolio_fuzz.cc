// Fuzz target: the portfolio reader. Whatever loads must save, and the saved file must load
// again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/env.h"
#include "host/folders.h"
#include "host/market.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cartera::MemEnv env;
    cartera::ScopedEnv scoped(&env);
    cartera::SetHomeFolder("/mem/home");
    CMarketService service;
    CMarketService::SetCurrent(&service);
    env.Files()["/mem/p.cartera"] = std::string(reinterpret_cast<const char*>(data), size);
    {
        CSistemaCartera ledger;
        cartera::PortfolioDocument doc(&ledger);
        std::string error;
        if (doc.Load("/mem/p.cartera", &error)) {
            if (!doc.SaveAs("/mem/q.cartera", &error)) std::abort();
            CSistemaCartera again;
            cartera::PortfolioDocument againDoc(&again);
            if (!againDoc.Load("/mem/q.cartera", &error)) std::abort();
            if (!againDoc.SaveAs("/mem/r.cartera", &error)) std::abort();
            if (env.Files()["/mem/q.cartera"] != env.Files()["/mem/r.cartera"]) std::abort();
        }
    }
    CMarketService::SetCurrent(nullptr);
    cartera::SetHomeFolder("");
    return 0;
}
