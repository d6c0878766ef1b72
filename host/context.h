#pragma once
// What the system's code takes from the process it runs in, handed in at its entry points (as
// LevelDB hands its Env in through its Options) and passed down, never read from process
// globals: the file system, the clock, the home folder and the language of the text it
// writes. The language alone is also the process's (SetLanguage), as every text lookup reads
// it there; an entry point sets it from its context for its call.
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

// The time now by ctx's clock; the system's when it has none.
std::time_t Now(const Context& ctx);

}  // namespace cartera
