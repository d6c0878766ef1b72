#pragma once
// Finding a column of a CSV file by its heading: every reader compares headings the same
// way and looks them up once per header.
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cartera {

// How headings compare with the names a reader looks for.
enum class HeadingMatch {
    caseless,          // blanks around dropped, ASCII letters lowered: "Order ID" is "order id"
    lettersAndDigits,  // letters and digits alone, lowered: "Buy/Sell" is "buysell"
};
// A heading (or a name) as match compares it.
std::string HeadingKey(std::string_view heading, HeadingMatch match = HeadingMatch::caseless);

// A header row and where each heading stands.
class Columns {
  public:
    Columns() = default;
    explicit Columns(const std::vector<std::string>& header,
                     HeadingMatch match = HeadingMatch::caseless);

    // The first column headed by one of names (written as HeadingKey gives them); nullopt
    // when none is.
    std::optional<size_t> Find(std::string_view name) const;
    std::optional<size_t> Find(std::initializer_list<std::string_view> names) const;
    // The first column whose heading starts with one of names.
    std::optional<size_t> FindStart(std::initializer_list<std::string_view> names) const;

    size_t Size() const { return m_headings.size(); }
    // A column's heading as written, and as compared.
    const std::string& Heading(size_t column) const { return m_headings[column]; }
    const std::string& Key(size_t column) const { return m_keys[column]; }

  private:
    std::vector<std::string> m_headings;
    std::vector<std::string> m_keys;
    std::unordered_map<std::string, size_t> m_first;  // each key's first column
};

}  // namespace cartera
