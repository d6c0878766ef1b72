#include "statements/detect.h"

#include <algorithm>
#include <tuple>

#include "host/error.h"

namespace cartera::statements {

// The entry of each file of statements/formats/, as the build lists them (formats.cc, made by
// statements/CMakeLists.txt), so a format is linked in whenever the list is used.
std::vector<const FormatEntry*> DeclaredFormats();

const std::vector<FormatEntry>& Formats() {
    static const std::vector<FormatEntry> kFormats = [] {
        std::vector<FormatEntry> formats;
        for (const FormatEntry* f : DeclaredFormats()) formats.push_back(*f);
        std::stable_sort(formats.begin(), formats.end(),
                         [](const FormatEntry& a, const FormatEntry& b) {
                             return std::tie(a.order, a.name) < std::tie(b.order, b.name);
                         });
        return formats;
    }();
    return kFormats;
}

const FormatEntry* FindFormat(std::string_view name) {
    for (const FormatEntry& f : Formats())
        if (f.name == name) return &f;
    return nullptr;
}

std::string DetectFormat(std::string_view head) {
    for (const FormatEntry& f : Formats())
        if (f.recognises && f.recognises(head)) return std::string(f.name);
    return std::string(kCarteraFormat);
}

Statement ReadStatement(std::istream& in, const std::string& format, const ReadOptions& options) {
    const FormatEntry* entry = FindFormat(format);
    if (!entry) {
        std::string names;
        for (const FormatEntry& f : Formats())
            names += (names.empty() ? "" : ", ") + std::string(f.name);
        throw Error(ErrorKind::invalid_input, "no format \"" + format + "\"; formats: " + names);
    }
    return entry->read(in, options);
}

}  // namespace cartera::statements
