#include "text/columns.h"

#include <cctype>

#include "host/strings.h"

namespace cartera {

std::string HeadingKey(std::string_view heading, HeadingMatch match) {
    if (match == HeadingMatch::caseless) return LowerAscii(Trim(heading));
    std::string out;
    out.reserve(heading.size());
    for (unsigned char c : heading)
        if (std::isalnum(c)) out += static_cast<char>(std::tolower(c));
    return out;
}

Columns::Columns(const std::vector<std::string>& header, HeadingMatch match) : m_headings(header) {
    m_keys.reserve(header.size());
    for (size_t i = 0; i < header.size(); ++i) {
        m_keys.push_back(HeadingKey(header[i], match));
        m_first.emplace(m_keys.back(), i);
    }
}

std::optional<size_t> Columns::Find(std::string_view name) const {
    auto it = m_first.find(std::string(name));
    return it == m_first.end() ? std::nullopt : std::optional<size_t>(it->second);
}

std::optional<size_t> Columns::Find(std::initializer_list<std::string_view> names) const {
    std::optional<size_t> first;
    for (std::string_view name : names)
        if (std::optional<size_t> at = Find(name); at && (!first || *at < *first)) first = at;
    return first;
}

std::optional<size_t> Columns::FindStart(std::initializer_list<std::string_view> names) const {
    for (size_t i = 0; i < m_keys.size(); ++i)
        for (std::string_view name : names)
            if (std::string_view(m_keys[i]).starts_with(name)) return i;
    return std::nullopt;
}

}  // namespace cartera
