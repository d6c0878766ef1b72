// The Flex statement as XML, read as a stream with expat: each Trade, CashTransaction and
// CorporateAction element becomes a record as it is parsed, so the file is never held.
#include <expat.h>

#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <unordered_map>

#include "host/error.h"
#include "statements/flex.h"
#include "statements/text.h"

namespace cartera::statements {
namespace {

struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

struct XmlReader {
    XML_Parser parser = nullptr;
    Statement* statement = nullptr;
    std::string account;  // of the FlexStatement being read
    std::exception_ptr failure;
    // Attribute names seen, each looked up once: a large file repeats the same forty.
    std::unordered_map<std::string, int, NameHash, std::equal_to<>> fields;

    int FieldIndex(const char* name) {
        auto it = fields.find(std::string_view(name));
        if (it != fields.end()) return it->second;
        std::optional<FlexField> f = FlexFieldOf(name);
        return fields.emplace(name, f ? static_cast<int>(*f) : -1).first->second;
    }

    void Start(const char* name, const char** attributes) {
        FlexSection section = FlexSection::other;
        if (std::strcmp(name, "Trade") == 0) {
            section = FlexSection::trades;
        } else if (std::strcmp(name, "CashTransaction") == 0) {
            section = FlexSection::cash;
        } else if (std::strcmp(name, "CorporateAction") == 0) {
            section = FlexSection::corporate;
        } else if (std::strcmp(name, "FlexStatement") == 0) {
            account.clear();
            for (const char** a = attributes; *a; a += 2)
                if (std::strcmp(a[0], "accountId") == 0) account = a[1];
            return;
        } else {
            return;
        }
        FlexRecord record;
        record.section = section;
        record.line = XML_GetCurrentLineNumber(parser);
        record.Set(FlexField::account, account);
        for (const char** a = attributes; *a; a += 2) {
            int f = FieldIndex(a[0]);
            if (f >= 0) record.values[f] = a[1];
        }
        AddFlexRecord(record, statement);
    }
};

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* reader = static_cast<XmlReader*>(data);
    if (reader->failure) return;
    try {
        reader->Start(name, attributes);
    } catch (...) {  // no exception may cross the C parser
        reader->failure = std::current_exception();
        XML_StopParser(reader->parser, XML_FALSE);
    }
}

struct ParserFree {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

}  // namespace

bool RecognisesFlexXml(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    size_t start = head.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || head[start] != '<') return false;
    return head.find("<FlexQueryResponse") != std::string_view::npos ||
           head.find("<FlexStatement") != std::string_view::npos;
}

Statement ReadFlexXml(std::istream& in, const ReadOptions& options) {
    Statement statement;
    statement.format = "ib-flex-xml";
    statement.idPrefix = "IB:";
    XmlReader reader;
    std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreate(nullptr));
    if (!parser) throw Error(ErrorKind::bug, "cannot start the XML parser");
    reader.parser = parser.get();
    reader.statement = &statement;
    XML_SetUserData(parser.get(), &reader);
    XML_SetStartElementHandler(parser.get(), OnStart);
    constexpr int kChunk = 64 * 1024;
    size_t total = 0;
    for (;;) {
        // Read straight into the parser's own buffer: no copy of the file's bytes.
        void* buffer = XML_GetBuffer(parser.get(), kChunk);
        if (!buffer)  // a token too long to hold
            FailRow(XML_GetCurrentLineNumber(parser.get()), "XML",
                    XML_ErrorString(XML_GetErrorCode(parser.get())));
        in.read(static_cast<char*>(buffer), kChunk);
        const auto got = static_cast<int>(in.gcount());
        const bool last = got == 0 || in.eof();
        total += static_cast<size_t>(got);
        XML_Status status = XML_ParseBuffer(parser.get(), got, last ? XML_TRUE : XML_FALSE);
        if (reader.failure) std::rethrow_exception(reader.failure);
        if (status != XML_STATUS_OK)
            FailRow(XML_GetCurrentLineNumber(parser.get()), "XML",
                    XML_ErrorString(XML_GetErrorCode(parser.get())));
        if (options.progress) options.progress(total);
        if (last) break;
    }
    AssignFlexCodes(&statement);
    return statement;
}

}  // namespace cartera::statements
