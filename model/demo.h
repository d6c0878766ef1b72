#pragma once
// A small demo portfolio, the same every time it is built: the workstation offers it and the
// command line shows it.
#include <string>

#include "host/context.h"
#include "host/error.h"

namespace cartera {

// The commission schedule the demo's buys and sells are priced with.
inline constexpr const char* kDemoSchedule = "Broker";

// Writes the schedule kDemoSchedule (three kind-4 brackets, made the default, replacing a
// schedule of that name) into the commission file of ctx's home, then a portfolio at
// path (both through ctx's file system): capital, several buys and sells over five securities with
// fixed dates, closed trades with a gain and with a loss, open long positions and a short, a
// dividend, an expense and a refund. A failure when a file cannot be read or written.
[[nodiscard]] Status BuildDemoPortfolio(const Context& ctx, const std::string& path);

}  // namespace cartera
