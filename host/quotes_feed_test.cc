// A quotes file with a bad line: the error says which line, what is wrong with it and what
// was expected, and the quotes held before stay.
#include <gtest/gtest.h>

#include <string>

#include "host/feed.h"
#include "host/market.h"

namespace cartera {
namespace {

TEST(QuotesFeedTest, ABadLineIsNamedWithWhatIsWrongAndWhatWasExpected) {
    CMarketService service;
    QuotesFeed quotes(service);
    ASSERT_TRUE(quotes.Load("code,last\nSAN.MC,4.25\n", nullptr));
    struct Case {
        const char* csv;
        std::string error;
    };
    for (const Case& c : {
             Case{"SAN.MC,4.25\n\nTEF.MC\n",
                  "line 3: \"TEF.MC\" has 1 field, expected 2: code,last"},
             Case{"SAN.MC,4.25,EUR\n",
                  "line 1: \"SAN.MC,4.25,EUR\" has 3 fields, expected 2: "
                  "code,last"},
             Case{",4.25\n", "line 1: the code is empty in \",4.25\", expected code,last"},
             Case{"# closing\nSAN.MC,4,25\n",
                  "line 2: \"SAN.MC,4,25\" has 3 fields, expected 2: code,last"},
             Case{"SAN.MC,abc\n",
                  "line 1: the price \"abc\" of SAN.MC is not a number, "
                  "expected one like 4.25 (a point before the decimals)"},
             Case{"SAN.MC,-1\n", "line 1: the price \"-1\" of SAN.MC is not above 0"},
         }) {
        std::string error;
        EXPECT_FALSE(quotes.Load(c.csv, &error)) << c.csv;
        EXPECT_EQ(error, c.error) << c.csv;
    }
    ASSERT_EQ(quotes.Quotes().size(), 1u);
    EXPECT_EQ(quotes.Quotes()[0].last, 4.25);
}

}  // namespace
}  // namespace cartera
