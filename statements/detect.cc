#include "statements/detect.h"

#include <algorithm>

#include "host/error.h"
#include "statements/degiro.h"
#include "statements/flex.h"
#include "statements/mapping.h"
#include "statements/trading212.h"

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
        {"degiro", "DEGIRO Transactions.csv or Account.csv, in English, Dutch, German or Spanish",
         RecognisesDegiro, [](std::istream& in, const ReadOptions&) { return ReadDegiro(in); }},
        {"trading212", "Trading 212 history CSV (either header style)", RecognisesTrading212,
         [](std::istream& in, const ReadOptions&) { return ReadTrading212(in); }},
        {"map", "any CSV with one header row, read by --map",
         [](std::string_view) { return false; },
         [](std::istream& in, const ReadOptions& o) { return ReadMapped(in, LoadMapping(o.map)); }},
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

HeadKeptBuffer::HeadKeptBuffer(std::istream& source)
    : m_source(source.rdbuf()), m_head(kDetectBytes, '\0') {
    const std::streamsize got =
        m_source ? m_source->sgetn(m_head.data(), static_cast<std::streamsize>(m_head.size())) : 0;
    m_head.resize(static_cast<size_t>(std::max<std::streamsize>(got, 0)));
    setg(m_head.data(), m_head.data(), m_head.data() + m_head.size());
}

HeadKeptBuffer::int_type HeadKeptBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    m_chunk.resize(kDetectBytes);
    const std::streamsize got =
        m_source ? m_source->sgetn(m_chunk.data(), static_cast<std::streamsize>(m_chunk.size()))
                 : 0;
    if (got <= 0) return traits_type::eof();
    setg(m_chunk.data(), m_chunk.data(), m_chunk.data() + got);
    return traits_type::to_int_type(*gptr());
}

std::streamsize HeadKeptBuffer::xsgetn(char* s, std::streamsize n) {
    // What the buffer holds, then the rest straight from the source: large reads (the XML
    // reader's) are not copied twice.
    const std::streamsize held = std::min<std::streamsize>(n, egptr() - gptr());
    std::copy(gptr(), gptr() + held, s);
    setg(eback(), gptr() + held, egptr());
    if (held == n || !m_source) return held;
    return held + std::max<std::streamsize>(m_source->sgetn(s + held, n - held), 0);
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
