#include "framework/status.h"

namespace cartera::ui {
namespace {
StatusHandler& Handler() {
    static StatusHandler handler;
    return handler;
}
}  // namespace

StatusHandler SetStatusHandler(StatusHandler handler) {
    StatusHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

void ShowStatusMessage(const std::string& text) {
    if (Handler()) Handler()(text);
}

std::string CommandPrompt(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string CommandTooltip(const std::string& text) {
    size_t eol = text.find('\n');
    if (eol == std::string::npos) return text;
    std::string tip = text.substr(eol + 1);
    return tip.empty() ? text.substr(0, eol) : tip.substr(0, tip.find('\n'));
}

}  // namespace cartera::ui
