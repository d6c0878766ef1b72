#include "host/qt/feed_driver.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <string>
#include <vector>

namespace cartera::qt {
namespace {

class FeedDriverTest : public ::testing::Test {
  protected:
    FeedDriverTest() {
        LoadEmbeddedCatalogue(service);
        CMarketService::SetCurrent(&service);
        client = std::make_unique<CObjectZorb>();
        service.AddListener([this](const CMensajePelvo& m) { codes.push_back(m.GetCodigo()); });
    }
    ~FeedDriverTest() override { CMarketService::SetCurrent(nullptr); }

    CMarketService service;
    std::unique_ptr<CObjectZorb> client;
    std::vector<std::string> codes;
};

TEST_F(FeedDriverTest, ReplaysAtTheRequestedPaceAndSimulatesUntilStopped) {
    auto replay = std::make_unique<ReplayFeed>(service);
    ASSERT_EQ(replay->Load("0,A,1\n1,B,2\n2,C,3\n").message(), "");
    FeedDriver driver(PosixEnv());
    QSignalSpy finished(&driver, &FeedDriver::finished);
    QSignalSpy ticked(&driver, &FeedDriver::ticked);
    QElapsedTimer clock;
    clock.start();
    driver.RunReplay(std::move(replay), 20.0);  // two recorded seconds in a tenth
    ASSERT_TRUE(finished.wait(2000));
    EXPECT_GE(clock.elapsed(), 90);  // not faster than asked
    EXPECT_EQ(codes, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_FALSE(driver.IsRunning());

    codes.clear();
    ticked.clear();
    client->RegisterQuote(MakeQuoteRequest("SAN.MC"), nullptr);
    driver.RunSimulated(std::make_unique<SimulatedFeed>(service, 5), 5);
    while (ticked.count() < 3) ASSERT_TRUE(ticked.wait(1000));
    driver.Stop();
    EXPECT_FALSE(driver.IsRunning());
    size_t seen = codes.size();
    EXPECT_TRUE(seen >= 3 && codes.front() == "SAN.MC");
    EXPECT_FALSE(ticked.wait(50));  // stopped means stopped
    EXPECT_EQ(codes.size(), seen);
}

}  // namespace
}  // namespace cartera::qt
