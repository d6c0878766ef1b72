#include "host/feed.h"

#include <algorithm>
#include <cmath>

#include "host/numbers.h"
#include "host/strings.h"
#include "resources/resources.h"

namespace cartera {

void LoadEmbeddedCatalogue(CMarketService& service) {
    service.LoadCatalogue(resources::SymbolCatalogue());
}

// ---- SimulatedFeed ----

namespace {

constexpr double kDefaultStart = 100.0;

uint64_t Mix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

uint64_t HashCode(const std::string& code) {
    uint64_t h = 0xCBF29CE484222325ULL;  // FNV-1a: stable across runs and platforms
    for (unsigned char c : code) h = (h ^ c) * 0x100000001B3ULL;
    return h;
}

double RoundTo(double value, int decimals) {
    double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

}  // namespace

SimulatedFeed::SimulatedFeed(CMarketService& service, uint64_t seed)
    : m_service(service), m_seed(seed) {}

double SimulatedFeed::NextUnit(uint64_t* state) {
    // splitmix64 rather than a standard distribution, whose output may differ between
    // library versions: a seed must give the same prices everywhere.
    *state += 0x9E3779B97F4A7C15ULL;
    return static_cast<double>(Mix(*state) >> 11) * 0x1.0p-53;
}

SimulatedFeed::Walk& SimulatedFeed::WalkFor(const std::string& lowerCode) {
    auto it = m_walks.find(lowerCode);
    if (it != m_walks.end()) return it->second;
    Walk walk;
    walk.code = lowerCode;
    walk.price = 0.0;
    if (const MarketSymbol* symbol = m_service.FindSymbol(lowerCode)) {
        walk.code = symbol->code;
        walk.decimals = std::clamp(symbol->decimals, 0, 8);
        walk.price = symbol->price;
    }
    // A security the catalogue does not know starts where the portfolios last dealt in it,
    // so a position shows a plausible result rather than one against a made-up price.
    double known = 0.0;
    if (walk.price <= 0.0 && m_service.ReferencePrice(lowerCode, &known)) walk.price = known;
    if (walk.price <= 0.0 && m_service.LastPrice(lowerCode, &known)) walk.price = known;
    if (walk.price <= 0.0) walk.price = kDefaultStart;
    walk.state = Mix(m_seed ^ HashCode(lowerCode));
    return m_walks.emplace(lowerCode, walk).first->second;
}

std::vector<CMensajePelvo> SimulatedFeed::NextRound() {
    std::vector<CMensajePelvo> round;
    for (const std::string& code : m_service.RegisteredCodes()) {
        Walk& walk = WalkFor(code);
        double tick = std::pow(10.0, -walk.decimals);
        double step = walk.price * m_fraction * (2.0 * NextUnit(&walk.state) - 1.0);
        walk.price = std::max(RoundTo(walk.price + step, walk.decimals), tick);
        double bid =
            walk.price - tick > 0.0 ? RoundTo(walk.price - tick, walk.decimals) : walk.price;
        CMensajePelvo message(walk.code);
        message.AddValor(kTickLast, walk.price);
        message.AddValor(kTickBid, bid);
        message.AddValor(kTickAsk, RoundTo(walk.price + tick, walk.decimals));
        round.push_back(std::move(message));
    }
    return round;
}

int SimulatedFeed::Step() {
    std::vector<CMensajePelvo> round = NextRound();
    for (const CMensajePelvo& message : round) m_service.Publish(message);
    return static_cast<int>(round.size());
}

bool SimulatedFeed::CurrentPrice(std::string_view code, double* price) const {
    auto it = m_walks.find(LowerAscii(code));
    if (it == m_walks.end()) return false;
    *price = it->second.price;
    return true;
}

// ---- ReplayFeed ----

namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        size_t comma = line.find(',');
        fields.push_back(Trim(line.substr(0, comma)));
        if (comma == std::string_view::npos) return fields;
        line.remove_prefix(comma + 1);
    }
}

bool ParseWhole(std::string_view text, int* out) {
    if (text.empty() || text.size() > 2) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *out = v;
    return true;
}

// "HH:MM:SS[.fff]" to seconds of the day.
bool ParseClock(std::string_view text, double* seconds) {
    size_t c1 = text.find(':');
    size_t c2 = c1 == std::string_view::npos ? c1 : text.find(':', c1 + 1);
    if (c2 == std::string_view::npos) return false;
    int h = 0, m = 0;
    double s = 0.0;
    if (!ParseWhole(text.substr(0, c1), &h) || !ParseWhole(text.substr(c1 + 1, c2 - c1 - 1), &m))
        return false;
    std::string_view sec = text.substr(c2 + 1);
    if (sec.size() < 2 || sec[0] < '0' || sec[0] > '9' || !ParsePlainNumber(sec, &s)) return false;
    if (h > 23 || m > 59 || s < 0.0 || s >= 60.0) return false;
    *seconds = h * 3600.0 + m * 60.0 + s;
    return true;
}

std::string LineError(int line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

}  // namespace

Status ReplayFeed::Load(std::string_view csv) {
    std::vector<Tick> ticks;
    int clockForm = -1;  // unknown, 0 seconds, 1 clock
    bool firstLine = true;
    std::string problem;
    int lineNo = 0;
    while (problem.empty() && !csv.empty()) {
        size_t eol = csv.find('\n');
        std::string_view line = Trim(csv.substr(0, eol));
        csv.remove_prefix(eol == std::string_view::npos ? csv.size() : eol + 1);
        ++lineNo;
        if (line.empty() || line.front() == '#') continue;
        std::vector<std::string_view> f = SplitFields(line);
        bool header = firstLine && LowerAscii(f[0]) == "time";
        firstLine = false;
        if (header) continue;
        if (f.size() != 3) {
            problem = LineError(lineNo, "expected time,code,last");
            break;
        }
        Tick tick;
        tick.line = lineNo;
        tick.code = std::string(f[1]);
        bool clock = f[0].find(':') != std::string_view::npos;
        bool timeOk = clock ? ParseClock(f[0], &tick.time)
                            : ParsePlainNumber(f[0], &tick.time) && tick.time >= 0.0;
        if (!timeOk || !std::isfinite(tick.time)) {
            problem = LineError(lineNo, "bad time \"" + std::string(f[0]) + "\"");
        } else if (clockForm >= 0 && clockForm != (clock ? 1 : 0)) {
            problem = LineError(lineNo, "mixes clock times and seconds");
        } else if (tick.code.empty()) {
            problem = LineError(lineNo, "empty code");
        } else if (!ParsePlainNumber(f[2], &tick.last) || !std::isfinite(tick.last)) {
            problem = LineError(lineNo, "bad price \"" + std::string(f[2]) + "\"");
        }
        clockForm = clock ? 1 : 0;
        ticks.push_back(std::move(tick));
    }
    if (!problem.empty()) {
        m_ticks.clear();
        m_next = 0;
        return Status(ErrorKind::invalid_input, problem);
    }
    if (clockForm == 1 && !ticks.empty()) {
        double start =
            std::min_element(ticks.begin(), ticks.end(), [](const Tick& a, const Tick& b) {
                return a.time < b.time;
            })->time;
        for (Tick& tick : ticks) tick.time -= start;
    }
    std::stable_sort(ticks.begin(), ticks.end(),
                     [](const Tick& a, const Tick& b) { return a.time < b.time; });
    m_ticks = std::move(ticks);
    m_next = 0;
    return {};
}

Status ReplayFeed::LoadFile(Env& env, const std::string& path) {
    std::string text;
    if (Status read = env.ReadFile(path, &text); !read.ok()) {
        m_ticks.clear();
        m_next = 0;
        return read;
    }
    return Load(text);
}

int ReplayFeed::AdvanceTo(double seconds) {
    int published = 0;
    while (m_next < m_ticks.size() && m_ticks[m_next].time <= seconds) {
        const Tick& tick = m_ticks[m_next++];
        CMensajePelvo message(tick.code);
        message.AddValor(kTickLast, tick.last);
        m_service.Publish(message);
        ++published;
    }
    return published;
}

double ReplayFeed::NextTime() const {
    return m_next < m_ticks.size() ? m_ticks[m_next].time : Duration();
}

// ---- QuotesFeed ----

namespace {

// What is wrong with a quotes line split into fields f, saying what was expected; empty
// when it holds a code and a price above 0, which goes to last.
std::string QuoteProblem(std::string_view line, const std::vector<std::string_view>& f,
                         double* last) {
    const std::string quoted = "\"" + std::string(line) + "\"";
    if (f.size() != 2)
        return quoted + " has " + std::to_string(f.size()) +
               (f.size() == 1 ? " field" : " fields") + ", expected 2: code,last";
    if (f[0].empty()) return "the code is empty in " + quoted + ", expected code,last";
    const std::string price = "\"" + std::string(f[1]) + "\"";
    if (!ParsePlainNumber(f[1], last) || !std::isfinite(*last))
        return "the price " + price + " of " + std::string(f[0]) +
               " is not a number, expected one like 4.25 (a point before the decimals)";
    if (*last <= 0.0) return "the price " + price + " of " + std::string(f[0]) + " is not above 0";
    return {};
}

}  // namespace

Status QuotesFeed::Load(std::string_view csv) {
    std::vector<Quote> quotes;
    bool firstLine = true;
    for (int lineNo = 1; !csv.empty(); ++lineNo) {
        size_t eol = csv.find('\n');
        std::string_view line = Trim(csv.substr(0, eol));
        csv.remove_prefix(eol == std::string_view::npos ? csv.size() : eol + 1);
        if (line.empty() || line.front() == '#') continue;
        std::vector<std::string_view> f = SplitFields(line);
        bool header =
            firstLine && f.size() == 2 && LowerAscii(f[0]) == "code" && LowerAscii(f[1]) == "last";
        firstLine = false;
        if (header) continue;
        Quote quote;
        if (std::string what = QuoteProblem(line, f, &quote.last); !what.empty())
            return Status(ErrorKind::invalid_input, LineError(lineNo, what));
        quote.code = std::string(f[0]);
        quotes.push_back(std::move(quote));
    }
    m_quotes = std::move(quotes);
    return {};
}

Status QuotesFeed::LoadFile(Env& env, const std::string& path) {
    std::string text;
    Status read = env.ReadFile(path, &text);
    return read.ok() ? Load(text) : read;
}

int QuotesFeed::Publish() {
    for (const Quote& quote : m_quotes) {
        CMensajePelvo message(quote.code);
        message.AddValor(kTickLast, quote.last);
        m_service.Publish(message);
    }
    return static_cast<int>(m_quotes.size());
}

}  // namespace cartera
