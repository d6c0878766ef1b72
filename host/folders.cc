#include "host/folders.h"

#include "host/context.h"
#include "host/env.h"

namespace cartera {
int FileNameRefusal(const std::string& name) {
    // Linux file names hold at most 255 bytes; the extension takes its share.
    constexpr size_t kMaxNameBytes = 255;
    if (name.empty()) return 42225;
    if (name == "." || name == "..") return 42221;
    for (unsigned char c : name) {
        if (c == '/' || c == '\\') return 42220;
        if (c < 0x20 || c == 0x7F) return 42223;
    }
    if (name.front() == ' ' || name.back() == ' ') return 42222;
    if (name.size() + std::char_traits<char>::length(PortfolioExtension()) > kMaxNameBytes)
        return 42224;
    return 0;
}

}  // namespace cartera

std::string GetPMngFullPath(const cartera::Context& ctx, int kind) {
    if (kind == ORVO_PATH_PORTFOLIOS) return cartera::PortfoliosFolder(ctx);
    std::string folder = ctx.home + "/";
    (void)ctx.env->CreateDirs(folder);  // a failure shows at the file's use
    return folder;
}

int File(const cartera::Context& ctx, const std::string& path) {
    return ctx.env->FileExists(path) ? 1 : 0;
}
