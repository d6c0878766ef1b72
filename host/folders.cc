#include "host/folders.h"

#include "host/context.h"
#include "host/env.h"

namespace cartera {
namespace {
std::string& Override() {
    static std::string folder;
    return folder;
}
// s without the slashes that end it (a lone "/" stays).
std::string WithoutTrailingSlashes(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}
}  // namespace

std::string HomeFolder() { return Override().empty() ? HomeFromEnvironment() : Override(); }

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

void SetHomeFolder(const std::string& folder) {
    Override() = folder.empty() ? "" : WithoutTrailingSlashes(folder);
}

}  // namespace cartera

std::string GetPMngFullPath(int kind) {
    std::string folder = cartera::HomeFolder() + "/";
    if (kind == ORVO_PATH_PORTFOLIOS) folder += "portfolios/";
    (void)cartera::CurrentEnv()->CreateDirs(folder);  // a failure shows at the file's use
    return folder;
}

int File(const std::string& path) { return cartera::CurrentEnv()->FileExists(path) ? 1 : 0; }
