#pragma once
// The module's string table: every user-visible text by id, in five languages.
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace cartera {

enum class Language { en, de, fr, it, es };

// "en", "de", "fr", "it", "es" (case-insensitive). False for anything else.
bool ParseLanguage(std::string_view code, Language* out);
const char* LanguageCode(Language lang);

// The interface language; English until changed. One per process, not handed in: every
// text lookup (LS) reads it, and the workstation shows one language at a time.
void SetLanguage(Language lang);
Language CurrentLanguage();

// Sets the interface language while it lives and puts the one before back after: a call
// that writes text in its own language (the command line's) leaves the process's as it was.
class ScopedLanguage {
  public:
    explicit ScopedLanguage(Language lang) : m_previous(CurrentLanguage()) { SetLanguage(lang); }
    ~ScopedLanguage() { SetLanguage(m_previous); }
    ScopedLanguage(const ScopedLanguage&) = delete;
    ScopedLanguage& operator=(const ScopedLanguage&) = delete;

  private:
    Language m_previous;
};

// Calls f(fields) with the tab-separated fields of every line of a data file, skipping
// empty lines and comment lines (starting with '#'); a line may end in CRLF.
void ForEachTsvLine(std::string_view data,
                    const std::function<void(const std::vector<std::string_view>&)>& f);

// The text of id in lang; empty for an id the table does not hold.
std::string LS(int id, Language lang);
// Every id the table holds, ascending.
std::vector<int> StringIds();

// text with each %1 to %9 replaced by values[0] to values[8]; what a value holds is never read
// as a placeholder. Never throws: a placeholder without a value stays as written, and a value
// no placeholder takes is added at the end after a space, so a faulty translation still says
// all the English one says. The table's texts carry their English placeholders (a test).
std::string FillText(std::string_view text, std::initializer_list<std::string_view> values);

// s without the blanks, tabs and line ends around it.
std::string_view Trim(std::string_view s);
// ASCII letters lowered; other bytes (UTF-8 included) kept: how codes and headings compare
// whatever their case.
std::string LowerAscii(std::string_view text);
// ASCII letters raised, likewise: how currency codes are written.
std::string UpperAscii(std::string_view text);

}  // namespace cartera

// The text of id in the current interface language; empty for an unknown id.
std::string LS(int id);
