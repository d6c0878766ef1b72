#include "host/context.h"

#include <cstdlib>

#include "host/dates.h"
#include "host/folders.h"

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

ContextInstalled::ContextInstalled(const Context& ctx) : m_previous(CurrentEnv()) {
    SetCurrentEnv(ctx.env);
    SetClock(ctx.clock);
    SetHomeFolder(ctx.home);
    SetLanguage(ctx.language);
}

ContextInstalled::~ContextInstalled() { SetCurrentEnv(m_previous); }

}  // namespace cartera
