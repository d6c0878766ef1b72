// rates from the command line: an import and what it read, a rate and the date it is from,
// and a rate the table cannot give refused naming the pair and the date.
#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

using RatesCmdTest = CliTest;

TEST_F(RatesCmdTest, ImportThenShowARateAndTheDateItIsFrom) {
    const std::string data = CARTERA_RATES_TESTDATA;
    EXPECT_EQ(Ok({"rates", "import", data + "/eurofxref.csv"}),
              "read 1 dates of 3 currencies; the table holds 1 dates of 3 currencies\n");
    EXPECT_EQ(Ok({"rates", "import", data + "/eurofxref-hist.zip"}),
              "read 4 dates of 4 currencies; the table holds 5 dates of 4 currencies\n");
    // Saturday takes Friday's: 0.84 GBP and 1.05 USD a euro.
    EXPECT_EQ(Ok({"rates", "show", "USDGBP", "2026-12-05"}),
              "USDGBP 2026-12-05: 0.8 (the rates of 2026-12-04)\n");
    EXPECT_EQ(Ok({"rates", "show", "EURUSD", "2026-12-08"}),
              "EURUSD 2026-12-08: 1.06 (the rates of 2026-12-07)\n");
    EXPECT_THAT(Fails(5, {"rates", "show", "EURUSD", "2026-11-01"}),
                ::testing::HasSubstr("no rate of EURUSD on 2026-11-01"));
    EXPECT_THAT(Fails(2, {"rates", "show", "EUR", "2026-11-01"}), ::testing::HasSubstr("PAIR"));
    EXPECT_THAT(Fails(2, {"rates", "import", data + "/../rates_test.cc"}),
                ::testing::HasSubstr("line 1: not an ECB rates file"));
}

}  // namespace
}  // namespace cartera::cli::testing
