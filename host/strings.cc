#include "host/strings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>

#include "resources/resources.h"

namespace cartera {
namespace {

constexpr int kLanguages = 5;
using Texts = std::array<std::string, kLanguages>;

// "\n" and "\t" and "\\" in the data file stand for a line break, a tab and a backslash.
std::string Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char c = s[++i];
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

const std::unordered_map<int, Texts>& Table() {
    static const std::unordered_map<int, Texts> table = [] {
        std::unordered_map<int, Texts> t;
        std::string_view data = resources::StringTable();
        ForEachTsvLine(data, [&t](const std::vector<std::string_view>& fields) {
            int id = std::atoi(std::string(fields[0]).c_str());
            if (id <= 0) return;
            Texts texts;
            for (int l = 0; l < kLanguages; ++l)
                texts[l] = l + 1 < static_cast<int>(fields.size()) ? Unescape(fields[l + 1]) : "";
            t[id] = std::move(texts);
        });
        return t;
    }();
    return table;
}

Language g_language = Language::en;
const char* const kCodes[kLanguages] = {"en", "de", "fr", "it", "es"};

}  // namespace

void ForEachTsvLine(std::string_view data,
                    const std::function<void(const std::vector<std::string_view>&)>& f) {
    std::vector<std::string_view> fields;
    while (!data.empty()) {
        size_t eol = data.find('\n');
        std::string_view line = data.substr(0, eol);
        data.remove_prefix(eol == std::string_view::npos ? data.size() : eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line[0] == '#') continue;
        fields.clear();
        for (;;) {
            size_t tab = line.find('\t');
            fields.push_back(line.substr(0, tab));
            if (tab == std::string_view::npos) break;
            line.remove_prefix(tab + 1);
        }
        f(fields);
    }
}

bool ParseLanguage(std::string_view code, Language* out) {
    for (int l = 0; l < kLanguages; ++l) {
        std::string_view c = kCodes[l];
        auto lower = [](char ch) { return std::tolower(static_cast<unsigned char>(ch)); };
        if (code.size() == 2 && lower(code[0]) == c[0] && lower(code[1]) == c[1]) {
            *out = static_cast<Language>(l);
            return true;
        }
    }
    return false;
}

const char* LanguageCode(Language lang) { return kCodes[static_cast<int>(lang)]; }
void SetLanguage(Language lang) { g_language = lang; }
Language CurrentLanguage() { return g_language; }

std::string LS(int id, Language lang) {
    auto it = Table().find(id);
    return it == Table().end() ? std::string() : it->second[static_cast<int>(lang)];
}

std::vector<int> StringIds() {
    std::vector<int> ids;
    for (const auto& [id, texts] : Table()) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::string FillText(std::string_view text, std::initializer_list<std::string_view> values) {
    const std::string_view* value = values.begin();
    const size_t count = values.size();
    uint32_t used = 0;  // bit n: values[n] has a place
    std::string out;
    out.reserve(text.size() + 16 * count);
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t n = i + 1 < text.size() ? static_cast<size_t>(text[i + 1] - '1') : count;
        if (text[i] != '%' || n >= count || n >= 9) {
            out += text[i];
            continue;
        }
        out += value[n];
        used |= uint32_t{1} << n;
        ++i;
    }
    for (size_t n = 0; n < count; ++n)
        if (n >= 9 || !(used & (uint32_t{1} << n))) (out += ' ') += value[n];
    return out;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string_view Trim(std::string_view s) {
    constexpr std::string_view kBlank = " \t\r\n";
    size_t begin = s.find_first_not_of(kBlank);
    if (begin == std::string_view::npos) return {};
    return s.substr(begin, s.find_last_not_of(kBlank) - begin + 1);
}

}  // namespace cartera

std::string LS(int id) { return cartera::LS(id, cartera::CurrentLanguage()); }
