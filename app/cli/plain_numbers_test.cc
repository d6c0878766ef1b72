#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

// Amounts print as people and spreadsheets read them: 1000000, never 1e+06.
TEST_F(CliTest, LargeAmountsPrintAsPlainDecimals) {
    Ok({"commissions", "add-bracket", "Big", "--from", "0", "--to", "5000000", "--royalty",
        "1000000"});
    EXPECT_EQ(Ok({"commissions", "calc", "Big", "2000000"}), "1000000\n");
    std::string list = Ok({"commissions", "show", "Big"});
    EXPECT_NE(list.find("5000000"), std::string::npos) << list;
    EXPECT_EQ(list.find("e+"), std::string::npos) << list;
}

}  // namespace
}  // namespace cartera::cli::testing
