#pragma once
// What the system's code takes from the process it runs in, handed in at its entry points (as
// LevelDB hands its Env in through its Options) rather than read from process globals: the
// file system, the clock, the home folder and the language of the text it writes.
#include <ctime>
#include <functional>
#include <string>

#include "host/env.h"
#include "host/strings.h"

namespace cartera {

struct Context {
    Env* env = nullptr;                  // not owned; outlives every user of the context
    std::function<std::time_t()> clock;  // now; empty: the system clock
    std::string home;                    // the home folder, without a trailing '/'
    Language language = Language::en;    // of the text written for the user
};

// The home folder the process's environment names: $CARTERA_HOME, else
// $XDG_DATA_HOME/cartera, else ~/.local/share/cartera; no trailing '/'.
std::string HomeFromEnvironment();

// The real one: the real file system, the system clock, HomeFromEnvironment(), English.
Context ProcessContext();

// ctx's folder of portfolio files, "HOME/portfolios/", made through its file system when
// missing (a failure shows at the use of a file in it).
std::string PortfoliosFolder(const Context& ctx);

// Hands ctx to the code below an entry point that still reads the process-wide hooks (the
// ledger's matching and the grids read the clock, the language and the home folder there):
// installs its file system while it lives, the one before back after; its clock, home
// folder and language stay set, as each entry point sets them afresh.
class ContextInstalled {
  public:
    explicit ContextInstalled(const Context& ctx);
    ~ContextInstalled();
    ContextInstalled(const ContextInstalled&) = delete;
    ContextInstalled& operator=(const ContextInstalled&) = delete;

  private:
    Env* m_previous;
};

}  // namespace cartera
