#include "testing/test_cli.h"

namespace cartera::cli::testing {
namespace {

using DemoTest = CliTest;

TEST_F(DemoTest, DemoShowsTheFourViewsOfATemporaryPortfolio) {
    std::string out = Ok({"demo"});
    for (int id : {3377, 3378, 3379, 3400}) EXPECT_THAT(out, HasSubstr(En(id) + "\n")) << id;
    EXPECT_THAT(out, HasSubstr("Telefónica"));
    // The demo works in a home of its own.
    EXPECT_TRUE(std::filesystem::is_empty(home));

    std::string kept = Ok({"demo", "--keep"});
    const std::string prefix = "Demo portfolio: ";
    ASSERT_EQ(kept.rfind(prefix, 0), 0u) << kept;
    std::string path = kept.substr(prefix.size(), kept.find('\n') - prefix.size());
    std::filesystem::path demoHome = std::filesystem::path(path).parent_path().parent_path();
    ASSERT_TRUE(std::filesystem::exists(path));
    // What the demo holds is the model's demo test's; here the kept file is a portfolio.
    EXPECT_THAT(kept, HasSubstr(Ok({"show", path, "movements"})));
    std::filesystem::remove_all(demoHome);
}

}  // namespace
}  // namespace cartera::cli::testing
