#pragma once
// Host folders by path kind, all under one home folder.
#include <string>

// The host's path kinds the portfolio uses.
enum enumOrvoPath {
    ORVO_PATH_SETTINGS = 10,    // commission file, symbol cache
    ORVO_PATH_PORTFOLIOS = 28,  // portfolio files
};

namespace cartera {
struct Context;
}

// The folder of a path kind in ctx's home folder, ending with '/', made through ctx's file
// system when missing (a failure shows at the use of a file in it). Kind 10 is the home
// folder itself, kind 28 its "portfolios" subfolder; any other kind is the home folder.
std::string GetPMngFullPath(const cartera::Context& ctx, int kind);
// Non-zero when a file exists at path on ctx's file system.
int File(const cartera::Context& ctx, const std::string& path);

namespace cartera {
// The file extension of portfolio files, with its dot.
inline const char* PortfolioExtension() { return ".cartera"; }
// Why name cannot be typed as a name that becomes a file in a folder (a portfolio's, with
// PortfolioExtension after it): the string id of the message saying so, 0 when it can.
// Refused: empty, "." and "..", a path separator ('/' or '\\'), a blank at either end,
// control characters, and more bytes than a file name may hold with the extension.
int FileNameRefusal(const std::string& name);
}  // namespace cartera
