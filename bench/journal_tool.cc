// journal_tool write N PATH: writes a synthetic portfolio file of N movements.
// journal_tool flex N PATH: writes a synthetic Interactive Brokers Flex XML statement of N
// executions.
// journal_tool memory PATH: loads the file as the command line does (load, match, totals)
// and prints the peak resident memory, and per movement.
#include <sys/resource.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "bench/synthetic_journal.h"
#include "bench/synthetic_statement.h"
#include "host/archive.h"
#include "host/env.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "testing/mem_env.h"

namespace {

long PeakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int Write(int n, const std::string& path) {
    CSistemaCartera ledger{cartera::testing::BareContext()};
    {
        std::string body = cartera::bench::MakeBody(n);
        CArchive ar{std::string_view(body)};
        ledger.Serialize(ar);
    }
    cartera::PortfolioDocument doc(&ledger, cartera::PosixEnv());
    if (cartera::Status saved = doc.SaveAs(path); !saved.ok()) {
        std::cerr << saved.message() << '\n';
        return 1;
    }
    return 0;
}

int Memory(const std::string& path) {
    long before = PeakKb();
    CSistemaCartera ledger{cartera::testing::BareContext()};
    cartera::PortfolioDocument doc(&ledger, cartera::PosixEnv());
    if (cartera::Status loaded = doc.Load(path); !loaded.ok()) {
        std::cerr << loaded.message() << '\n';
        return 1;
    }
    long peak = PeakKb();
    size_t n = ledger.GetOrders().size();
    std::cout << "movements " << n << "  closed " << ledger.GetClosedTrades().size() << "  open "
              << ledger.GetOpenTrades().size() << "\npeak RSS " << peak / 1024 << " MB ("
              << (before / 1024) << " MB before loading), "
              << (n ? peak * 1024.0 / static_cast<double>(n) : 0.0) << " bytes a movement\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && argc == 4) return Write(std::stoi(argv[2]), argv[3]);
    if (mode == "memory" && argc == 3) return Memory(argv[2]);
    if (mode == "flex" && argc == 4) {
        const std::string xml = cartera::bench::MakeFlexXml(std::stoi(argv[2]));
        return cartera::PosixEnv()->WriteFileAtomic(argv[3], xml).ok() ? 0 : 1;
    }
    std::cerr << "usage: journal_tool write N PATH | journal_tool flex N PATH | journal_tool "
                 "memory PATH\n";
    return 2;
}
