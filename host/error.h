#pragma once
// The one error type of the file layer, the model and the command line: a message for the
// user and a kind that tells callers what went wrong without reading the message; thrown as
// Error, returned as Status.
#include <stdexcept>
#include <string>
#include <utility>

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

// The result of an operation that may fail, in the manner of LevelDB: ok, or an ErrorKind
// with a message for the user. Results that carry a value fill an out-parameter and are
// only meaningful when the Status is ok.
class [[nodiscard]] Status {
  public:
    Status() = default;  // ok
    Status(ErrorKind kind, std::string message)
        : m_ok(false), m_kind(kind), m_message(std::move(message)) {}

    bool ok() const { return m_ok; }
    // The kind of the failure; meaningless when ok.
    ErrorKind kind() const { return m_kind; }
    // Empty when ok.
    const std::string& message() const { return m_message; }
    bool IsNotFound() const { return !m_ok && m_kind == ErrorKind::not_found; }
    // Throws the failure as an Error; does nothing when ok.
    void ThrowIfError() const {
        if (!m_ok) throw Error(m_kind, m_message);
    }

  private:
    bool m_ok = true;
    ErrorKind m_kind = ErrorKind::io;
    std::string m_message;
};

}  // namespace cartera
