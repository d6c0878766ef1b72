#include "host/message_box.h"

namespace cartera {
namespace {
MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}
}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}
}  // namespace cartera

int AfxMessageBox(const std::string& text, unsigned type) {
    auto& handler = cartera::Handler();
    if (handler) return handler(text, type);
    return (type & 0xF) == MB_YESNO ? IDNO : IDOK;
}
