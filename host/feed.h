#pragma once
// In-process market feeds: a seeded random walk over the registered securities and a replay
// of a recorded tick file. Both publish CMensajePelvo messages on a CMarketService; a timer
// (host/qt/feed_driver.h) or a test drives them.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "host/env.h"
#include "host/error.h"
#include "host/market.h"

namespace cartera {

// Loads the catalogue compiled into the binary (resources/symbols.csv) into service.
void LoadEmbeddedCatalogue(CMarketService& service);

// A random walk per security, priced for the codes that some client has registered. Each
// code walks on a generator of its own seeded from the feed's seed and the code, so a code's
// prices depend only on the seed and on how many rounds it was registered for.
class SimulatedFeed {
  public:
    // service is not owned and must outlive the feed.
    explicit SimulatedFeed(CMarketService& service, uint64_t seed = 1);

    // The largest step as a fraction of the price (default 0.002, i.e. 0.2 %).
    void SetStepFraction(double fraction) { m_fraction = fraction; }
    double GetStepFraction() const { return m_fraction; }

    // The messages of one round without publishing them: one per registered code, in the
    // order of RegisteredCodes(), each with the last price (kind 1), the bid (kind 2) and the
    // ask (kind 3). The code is spelt as in the catalogue when the catalogue knows it.
    // Advances the walk.
    std::vector<CMensajePelvo> NextRound();
    // NextRound() published in order. Returns the number of messages published.
    int Step();

    // The walk's current price of code (any case); false before its first round.
    bool CurrentPrice(std::string_view code, double* price) const;

  private:
    struct Walk {
        std::string code;  // catalogue spelling
        double price = 0.0;
        int decimals = 2;
        uint64_t state = 0;
    };
    Walk& WalkFor(const std::string& lowerCode);
    static double NextUnit(uint64_t* state);  // uniform in [0, 1)

    CMarketService& m_service;
    uint64_t m_seed;
    double m_fraction = 0.002;
    std::map<std::string, Walk> m_walks;  // by lower-case code
};

// A recorded tick file replayed against the clock. The file is CSV, one tick per line:
// time,code,last. time is HH:MM:SS[.fff] (counted from the first tick's time) or plain
// seconds from the start; one file uses one form. A first line "time,..." is a header;
// blank lines and lines starting with '#' are skipped. Ticks are replayed in time order,
// ticks of equal time in file order.
class ReplayFeed {
  public:
    struct Tick {
        double time = 0.0;  // seconds from the start
        std::string code;
        double last = 0.0;
        int line = 0;  // 1-based line in the file
    };

    // service is not owned and must outlive the feed.
    explicit ReplayFeed(CMarketService& service) : m_service(service) {}

    // Replaces the ticks with those of csv and rewinds. A bad line keeps no ticks and is
    // invalid_input with a message naming the line number ("line 4: ...").
    Status Load(std::string_view csv);
    // Load() on the contents of the file at path, read through env; a failed read keeps no
    // ticks and is the read's failure.
    Status LoadFile(Env& env, const std::string& path);

    // Publishes, in order, every tick not yet published whose time is at most seconds; one
    // message with one kind-1 record per tick. Returns the number published.
    int AdvanceTo(double seconds);
    // Back to the start; nothing is published.
    void Rewind() { m_next = 0; }

    bool Done() const { return m_next >= m_ticks.size(); }
    // Time of the next tick to publish; the duration when done.
    double NextTime() const;
    // Time of the last tick (0 when empty).
    double Duration() const { return m_ticks.empty() ? 0.0 : m_ticks.back().time; }
    size_t Published() const { return m_next; }
    const std::vector<Tick>& Ticks() const { return m_ticks; }

  private:
    CMarketService& m_service;
    std::vector<Tick> m_ticks;
    size_t m_next = 0;
};

// Last prices held from a quotes file and published on demand. The file is CSV, one
// "code,last" line per security (what the command line's --quotes reads); a first line
// "code,last" is a header, blank lines and lines starting with '#' are skipped.
class QuotesFeed {
  public:
    struct Quote {
        std::string code;
        double last = 0.0;
    };

    // service is not owned and must outlive the feed.
    explicit QuotesFeed(CMarketService& service) : m_service(service) {}

    // Replaces the quotes with those of csv. A bad line keeps the quotes held before and is
    // invalid_input with a message naming the line and what is wrong with it: the fields,
    // the code or the price, and what was expected.
    Status Load(std::string_view csv);
    // Load() on the contents of the file at path, read through env; a failed read keeps the
    // quotes held before and is the read's failure.
    Status LoadFile(Env& env, const std::string& path);
    // Publishes every quote held, one kind-1 message each, in file order. Returns how many.
    int Publish();
    const std::vector<Quote>& Quotes() const { return m_quotes; }

  private:
    CMarketService& m_service;
    std::vector<Quote> m_quotes;
};

}  // namespace cartera
