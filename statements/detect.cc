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
    return entry->read(in, options);
}

}  // namespace cartera::statements
