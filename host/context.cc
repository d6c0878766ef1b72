#include "host/context.h"

#include <cstdlib>

namespace cartera {
namespace {
// s without the slashes that end it (a lone "/" stays).
std::string WithoutTrailingSlashes(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}
}  // namespace

std::string HomeFromEnvironment() {
    if (const char* h = std::getenv("CARTERA_HOME"); h && *h) return WithoutTrailingSlashes(h);
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
        return WithoutTrailingSlashes(x) + "/cartera";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/cartera";
}

Context ProcessContext() { return Context{PosixEnv(), {}, HomeFromEnvironment(), Language::en}; }

std::string PortfoliosFolder(const Context& ctx) {
    std::string folder = ctx.home + "/portfolios/";
    (void)ctx.env->CreateDirs(folder);
    return folder;
}

std::time_t Now(const Context& ctx) { return ctx.clock ? ctx.clock() : std::time(nullptr); }

}  // namespace cartera
