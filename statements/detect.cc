#include "statements/detect.h"

#include "host/error.h"
#include "statements/flex.h"

namespace cartera::statements {
namespace {

bool AnyText(std::string_view) { return true; }

}  // namespace

const std::vector<FormatEntry>& Formats() {
    // Detection tries them in this order: a format another could mistake for its own
    // comes first; Cartera's own CSV stays last.
    static const std::vector<FormatEntry> kFormats = {
        {"ib-flex-xml", "Interactive Brokers Flex statement, XML", RecognisesFlexXml, ReadFlexXml},
        {"ib-flex-csv", "Interactive Brokers Flex statement, CSV (any of its layouts)",
         RecognisesFlexCsv, ReadFlexCsv},
        {kCarteraFormat, "Cartera's own movements CSV (export PATH journal)", AnyText, nullptr},
    };
    return kFormats;
}

const FormatEntry* FindFormat(std::string_view name) {
    for (const FormatEntry& f : Formats())
        if (f.name == name) return &f;
    return nullptr;
}

std::string DetectFormat(std::string_view head) {
    for (const FormatEntry& f : Formats())
        if (f.recognises(head)) return std::string(f.name);
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
    if (!entry->read)
        throw Error(ErrorKind::invalid_input,
                    "\"" + format + "\" is read by the movements import, not as a statement");
    return entry->read(in, options);
}

}  // namespace cartera::statements
