#pragma once
// The texts of movements and trades. A journal repeats a few texts (codes, symbols, groups,
// schedules) over and over, so each distinct text is kept once in a process-wide pool and a
// record holds only its 4-byte handle: copying a record copies no text, and two handles are
// equal exactly when their texts are. The pool never frees a text, so a reference obtained
// from a handle stays valid for the life of the process.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

class PooledText {
  public:
    PooledText() = default;  // the empty text
    // Explicit, so a choice between a text and a std::string is a std::string.
    explicit PooledText(std::string_view text) : m_id(Intern(text)) {}
    PooledText& operator=(std::string_view text) {
        m_id = Intern(text);
        return *this;
    }

    // The text itself, as the records' users read it.
    const std::string& str() const { return Lookup(m_id); }
    operator const std::string&() const { return str(); }
    operator std::string_view() const { return str(); }

    bool empty() const { return m_id == 0; }
    size_t size() const { return str().size(); }
    size_t length() const { return str().size(); }
    const char* c_str() const { return str().c_str(); }
    const char* data() const { return str().data(); }
    std::string::const_iterator begin() const { return str().begin(); }
    std::string::const_iterator end() const { return str().end(); }
    char operator[](size_t i) const { return str()[i]; }

    friend bool operator==(PooledText a, PooledText b) { return a.m_id == b.m_id; }
    friend bool operator==(PooledText a, std::string_view b) { return a.str() == b; }
    friend bool operator==(PooledText a, const std::string& b) { return a.str() == b; }
    friend bool operator==(PooledText a, const char* b) { return a.str() == b; }
    friend std::string operator+(PooledText a, std::string_view b);
    friend std::string operator+(std::string_view a, PooledText b);
    friend std::ostream& operator<<(std::ostream& os, PooledText t);

    // The handle: equal exactly when the texts are; for hashing by identity.
    uint32_t Handle() const { return m_id; }

    // How many distinct texts the pool holds (the empty one not counted).
    static size_t PoolSize();

  private:
    static uint32_t Intern(std::string_view text);
    static const std::string& Lookup(uint32_t id);

    uint32_t m_id = 0;
};

template <>
struct std::hash<PooledText> {
    size_t operator()(PooledText t) const noexcept { return t.Handle(); }
};
