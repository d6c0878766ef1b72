#pragma once
// Message boxes: a question or a notice shown to the user. The workstation installs a
// handler that shows a real dialog; tests install one that answers; without a handler
// questions are answered No and notices are dropped (the command line never asks).
#include <functional>
#include <string>

enum {
    MB_OK = 0x0,
    MB_YESNO = 0x4,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
};
enum { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Shows text with the buttons and icon of type; returns the button pressed.
int AfxMessageBox(const std::string& text, unsigned type = MB_OK);

namespace cartera {
using MessageBoxHandler = std::function<int(const std::string& text, unsigned type)>;
// Installs the handler (empty restores the default) and returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
}  // namespace cartera
