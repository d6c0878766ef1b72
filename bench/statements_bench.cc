// Importing a 100,000-execution Flex XML statement: ours (stream read, plan, add to a
// ledger) beside the bytes read alone and a literal DOM-style parse that first builds every
// element with all its attributes, then walks them. The memory benchmark reads the file as
// the command line does and reports the peak resident memory it adds per byte of file.
#include <benchmark/benchmark.h>
#include <expat.h>
#include <malloc.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/synthetic_statement.h"
#include "host/env.h"
#include "host/error.h"
#include "host/file_stream.h"
#include "model/sistema.h"
#include "statements/detect.h"
#include "testing/mem_env.h"

namespace {

using namespace cartera::statements;

const std::string& Flex(int n) {
    static std::map<int, std::string> files;
    std::string& text = files[n];
    if (text.empty()) text = cartera::bench::MakeFlexXml(n);
    return text;
}

// The bytes as a stream, without a copy.
struct ViewBuf : std::streambuf {
    explicit ViewBuf(const std::string& s) {
        char* p = const_cast<char*>(s.data());
        setg(p, p, p + s.size());
    }
};

size_t Import(std::istream& in) {
    Statement s = ReadStatement(in, "ib-flex-xml");
    CSistemaCartera ledger{cartera::testing::BareContext()};
    ImportPlan plan = PlanImport(s, ledger, {});
    const size_t added = plan.added.size();
    ledger.AddOrders(std::move(plan.added));
    return added + ledger.GetClosedTrades().size();
}

void BM_ImportFlexXml_Ours(benchmark::State& state) {
    const std::string& text = Flex(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ViewBuf buf(text);
        std::istream in(&buf);
        benchmark::DoNotOptimize(Import(in));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Baseline: the same bytes copied out of the stream, nothing parsed.
void BM_ReadFlexBytes_Baseline(benchmark::State& state) {
    const std::string& text = Flex(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ViewBuf buf(text);
        std::istream in(&buf);
        std::ostringstream copy;
        copy << in.rdbuf();
        benchmark::DoNotOptimize(copy.str().size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Baseline: the literal way, a document tree of every element and its attributes built
// first, then the Trade elements of level EXECUTION counted from it.
struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
};

void OnDomStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    Element e{name, {}};
    for (const XML_Char** a = attributes; *a; a += 2) e.attributes[a[0]] = a[1];
    static_cast<std::vector<Element>*>(data)->push_back(std::move(e));
}

void BM_DomParseFlexXml_Baseline(benchmark::State& state) {
    const std::string& text = Flex(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<Element> dom;
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetUserData(parser, &dom);
        XML_SetStartElementHandler(parser, OnDomStart);
        XML_Parse(parser, text.data(), static_cast<int>(text.size()), XML_TRUE);
        XML_ParserFree(parser);
        size_t executions = 0;
        for (const Element& e : dom) {
            auto detail = e.attributes.find("levelOfDetail");
            executions +=
                e.name == "Trade" && detail != e.attributes.end() && detail->second == "EXECUTION";
        }
        benchmark::DoNotOptimize(executions);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// A line of /proc/self/status, in bytes ("VmRSS", "VmHWM").
double StatusBytes(const std::string& key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) * 1024;
    return 0;
}

// Writes text to a file and frees it; then, each iteration, resets the peak (clear_refs 5),
// opens the file as the command line does (a stream through the file layer) and reads it
// with read. The counters give the peak resident memory the read adds, per byte of file too.
template <typename Read>
void PeakOfReading(benchmark::State& state, std::string text, Read read) {
    const auto path = std::filesystem::temp_directory_path() / "cartera-bench-statement";
    const double size = static_cast<double>(text.size());
    (void)cartera::PosixEnv()->WriteFileAtomic(path.string(), text);
    std::string().swap(text);
    malloc_trim(0);
    for (auto _ : state) {
        const double before = StatusBytes("VmRSS");
        std::ofstream("/proc/self/clear_refs") << "5";
        std::unique_ptr<cartera::SequentialFile> file;
        (void)cartera::PosixEnv()->OpenSequential(path.string(), &file);
        cartera::FileInput in(std::move(file), cartera::statements::kDetectBytes);
        read(in);
        state.counters["file_MB"] = size / 1e6;
        state.counters["peak_added_MB"] = (StatusBytes("VmHWM") - before) / 1e6;
        state.counters["peak_per_file_byte"] = (StatusBytes("VmHWM") - before) / size;
    }
    (void)cartera::PosixEnv()->RemoveFile(path.string());
}

// The peak an import from the file adds: read, planned and added to a ledger.
void BM_ImportFlexXmlMemory(benchmark::State& state) {
    PeakOfReading(state, cartera::bench::MakeFlexXml(static_cast<int>(state.range(0))),
                  [](std::istream& in) { benchmark::DoNotOptimize(Import(in)); });
}

// Hostile statements, each read and, when it reads, planned against an empty ledger: one
// XML attribute of 40 MB; 10^7 XML elements nested in each other (70 MB); a Flex CSV of
// 20,000 trades and 20,000 cancellations of none of them; a DEGIRO file whose header has
// 100,000 columns, with 500 trades. CPU time and the peak are the figures to read.
std::string HugeAttribute() {
    return "<FlexQueryResponse><FlexStatements><FlexStatement accountId=\"U1\"><Trades>"
           "<Trade symbol=\"" +
           std::string(40'000'000, 'A') +
           "\"/></Trades></FlexStatement></FlexStatements></FlexQueryResponse>\n";
}

std::string DeepNesting() {
    std::string text = "<FlexQueryResponse>";
    text.reserve(70'000'100);
    for (int i = 0; i < 10'000'000; ++i) text += "<a>";
    for (int i = 0; i < 10'000'000; ++i) text += "</a>";
    return text + "</FlexQueryResponse>\n";
}

std::string ManyCancels() {
    std::string text = "Symbol,Conid,TradeID,DateTime,Quantity,TradePrice,Buy/Sell\n";
    for (int i = 0; i < 20'000; ++i) text += "A,1," + std::to_string(i) + ",20240102,1,1,BUY\n";
    for (int i = 0; i < 20'000; ++i) text += "A,1,,20240102,-1,2,BUY (Ca.)\n";
    return text;
}

std::string WideHeader() {
    std::string text = "Date,Time,Product,ISIN,Quantity,Price,,Order ID";
    for (int i = 0; i < 100'000; ++i) text += ",c";
    text += '\n';
    for (int i = 0; i < 500; ++i)
        text += "02-02-2024,09:30,P,NL0,1,1.5,EUR,id" + std::to_string(i) + "\n";
    return text;
}

void Hostile(benchmark::State& state, const char* format, std::string (*make)()) {
    PeakOfReading(state, make(), [&](std::istream& in) {
        try {
            Statement s = ReadStatement(in, format);
            benchmark::DoNotOptimize(
                PlanImport(s, CSistemaCartera(cartera::testing::BareContext()), {}).added.size());
            state.counters["refused"] = 0;
        } catch (const cartera::Error&) {
            state.counters["refused"] = 1;
        }
    });
}

BENCHMARK_CAPTURE(Hostile, HugeAttribute, "ib-flex-xml", HugeAttribute)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Hostile, DeepNesting, "ib-flex-xml", DeepNesting)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Hostile, ManyCancels, "ib-flex-csv", ManyCancels)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Hostile, WideHeader, "degiro", WideHeader)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportFlexXmlMemory)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportFlexXml_Ours)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFlexBytes_Baseline)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DomParseFlexXml_Baseline)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
