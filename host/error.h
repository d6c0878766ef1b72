#pragma once
// The one error type of the file layer, the model and the command line: a message for the
// user and a kind that tells callers what went wrong without reading the message.
#include <stdexcept>
#include <string>

namespace cartera {

enum class ErrorKind {
    io,             // a file or folder cannot be read or written
    damaged,        // a file was read but is not what it claims to be
    locked,         // another writer holds the file
    denied,         // the system refused access: permissions, a read-only file or file system
    invalid_input,  // what the user gave cannot be used; nothing was changed
    not_found,      // the file or record asked for does not exist
    bug,            // the program broke one of its own rules
};

class Error : public std::runtime_error {
  public:
    Error(ErrorKind kind, const std::string& message) : std::runtime_error(message), m_kind(kind) {}
    ErrorKind kind() const { return m_kind; }

  private:
    ErrorKind m_kind;
};

}  // namespace cartera
