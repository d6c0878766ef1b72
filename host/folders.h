#pragma once
// Host folders by path kind, all under one home folder.
#include <string>

// The host's path kinds the portfolio uses.
enum enumOrvoPath {
    ORVO_PATH_SETTINGS = 10,    // commission file, symbol cache
    ORVO_PATH_PORTFOLIOS = 28,  // portfolio files
};

// The folder of a path kind, ending with '/', created when missing. Kind 10 is the home
// folder itself, kind 28 its "portfolios" subfolder; any other kind is the home folder.
std::string GetPMngFullPath(int kind);
// Non-zero when a regular file exists at path.
int File(const std::string& path);

namespace cartera {
// The home folder: the one set by SetHomeFolder, else $CARTERA_HOME, else
// $XDG_DATA_HOME/cartera, else ~/.local/share/cartera. No trailing '/'.
std::string HomeFolder();
void SetHomeFolder(const std::string& folder);  // empty returns to the environment's
// The file extension of portfolio files, with its dot.
inline const char* PortfolioExtension() { return ".cartera"; }
// Why name cannot be typed as a name that becomes a file in a folder (a portfolio's, with
// PortfolioExtension after it): the string id of the message saying so, 0 when it can.
// Refused: empty, "." and "..", a path separator ('/' or '\\'), a blank at either end,
// control characters, and more bytes than a file name may hold with the extension.
int FileNameRefusal(const std::string& name);
}  // namespace cartera
