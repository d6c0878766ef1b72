#include <filesystem>

#include "host/dates.h"
#include "model/change_log.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/doc_cartera.h"
#include "window/test_support.h"

namespace cartera::window::testing {
namespace {

class SavePathTest : public WindowTest {};

// A change in the window appends one record to the log; whole saves go through the one
// kept buffer (none new once it has the journal's size); closing folds the log into the file.
TEST_F(SavePathTest, ChangesAppendWholeSavesReuseTheBufferAndClosingFoldsTheLog) {
    const int d = DateNumber(2026, 2, 3);
    const std::string path = WritePortfolio("Kept", {Cash(kImposition, 1, 10, d)});
    CDocCartera* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    CSistemaCartera* ledger = FrameOf(doc)->GetAdmCartera();
    const uintmax_t fileSize = std::filesystem::file_size(path);
    const size_t logged = doc->Store().LogChanges();
    ledger->AddOrder(Cash(kDeposit, 1, 20, d));
    EXPECT_EQ(doc->Store().LogChanges(), logged + 1);
    EXPECT_EQ(std::filesystem::file_size(path), fileSize);

    ASSERT_TRUE(doc->OnFileSave());
    ledger->AddOrder(Cash(kDeposit, 1, 25, d));
    ASSERT_TRUE(doc->OnFileSave());  // the buffer has grown to the journal's size
    const char* buffer = doc->Store().Buffer().data();
    for (int i = 0; i < 3; ++i) {
        ledger->AddOrder(Cash(kDeposit, 1, 30 + i, d));
        ASSERT_TRUE(doc->OnFileSave());
        EXPECT_EQ(doc->Store().Buffer().data(), buffer) << i;
    }
    ledger->AddOrder(Cash(kDeposit, 1, 40, d));
    ASSERT_EQ(doc->Store().LogChanges(), 1u);
    ASSERT_TRUE(doc->OnCloseObject());
    EXPECT_EQ(std::filesystem::file_size(LogPath(path)), 0u);
    CSistemaCartera reread;
    PortfolioDocument file(&reread);
    ASSERT_EQ(file.Load(path).message(), "");
    EXPECT_EQ(reread.GetOrders().size(), 7u);
}

}  // namespace
}  // namespace cartera::window::testing
