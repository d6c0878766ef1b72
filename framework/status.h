#pragma once
// The status bar of the workstation, behind a handler: the main window installs one that
// shows the text; tests install one that records it; without one texts are dropped.
#include <functional>
#include <string>

namespace cartera::ui {

using StatusHandler = std::function<void(const std::string& text)>;
// Installs the handler (empty removes it) and returns the previous one.
StatusHandler SetStatusHandler(StatusHandler handler);
void ShowStatusMessage(const std::string& text);

// The command prompt of a string-table text: its first line (the rest is the tooltip).
std::string CommandPrompt(const std::string& text);
// The tooltip: the second line, else the prompt.
std::string CommandTooltip(const std::string& text);

}  // namespace cartera::ui
