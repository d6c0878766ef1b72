#include <QApplication>
#include <fstream>
#include <sstream>

#include "host/archive.h"
#include "host/dates.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/doc_cartera.h"
#include "window/framework/doc_template.h"
#include "window/test_support.h"
#include "window/views.h"

namespace cartera::window::testing {
namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Movements in a portfolio file, read headless.
size_t MovementsInFile(const std::string& path) {
    CSistemaCartera ledger;
    PortfolioDocument doc(&ledger);
    std::string error;
    EXPECT_TRUE(doc.Load(path, &error)) << error;
    return ledger.GetOrders().size();
}

int FramesOnScreen() {
    int n = 0;
    for (QWidget* w : QApplication::allWidgets())
        if (dynamic_cast<CChildFrmCartera*>(w)) ++n;
    return n;
}

using DocumentTest = WindowTest;

TEST_F(DocumentTest, NewPortfolioIsNamedSavedAtOnceAndMarkedNew) {
    CDocCartera* doc = CreateNew("Savings");
    ASSERT_NE(doc, nullptr);
    std::string path = PortfolioPath("Savings");
    EXPECT_EQ(doc->GetPathName(), path);
    EXPECT_EQ(doc->GetTitle(), "Savings.cartera");
    EXPECT_EQ(doc->IsCreatedAsNew(), 1);
    EXPECT_TRUE(m_messages.empty());
    std::string bytes = ReadBytes(path);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes[0], '\0') << "the envelope starts with an empty string";
    EXPECT_EQ(MovementsInFile(path), 0u);
    EXPECT_EQ(FrameOf(doc)->GetWindowText(), "Savings.cartera");
}

TEST_F(DocumentTest, ExistingFileIsKeptAfterNoAndOverwrittenWithAnEmptyPortfolioAfterYes) {
    std::string path = WritePortfolio("Taken", {Cash(kImposition, 1, 100, DateNumber(2026, 1, 5))});
    std::string before = ReadBytes(path);

    m_answer = 7;  // No
    EXPECT_EQ(CreateNew("Taken"), nullptr);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], ::LS(3458));
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_TRUE(m_template->GetDocuments().empty());
    EXPECT_EQ(FramesOnScreen(), 0);

    m_answer = 6;  // Yes
    CDocCartera* doc = CreateNew("Taken");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(MovementsInFile(path), 0u);
    EXPECT_EQ(ShownRows(Movements(FrameOf(doc))->GetGridWindow()), 0);
}

TEST_F(DocumentTest, CancelledNameDialogCreatesNothing) {
    EXPECT_EQ(CreateNew(""), nullptr);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(m_template->GetDocuments().empty());
    EXPECT_EQ(FramesOnScreen(), 0);
}

TEST_F(DocumentTest, ReopeningShowsWhatTheLedgerChanged) {
    int d = DateNumber(2026, 4, 1);
    std::string path = WritePortfolio(
        "Round", {Cash(kImposition, 1, 8000, d), Exec(true, "TEF.MC", 300, 3.9, 0.0, d)});
    CDocCartera* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    CChildFrmCartera* frame = FrameOf(doc);
    EXPECT_EQ(doc->IsCreatedAsNew(), 0);
    EXPECT_TRUE(doc->OnCloseObject());
    frame->GetAdmCartera()->AddOrder(Exec(false, "TEF.MC", 100, 4.2, 0.0, d));
    frame->GetAdmCartera()->AddOrder(Cash(kExpense, 1, 25, d));
    std::vector<std::string> movements = ShownRowsText(Movements(frame)->GetGridWindow());
    std::vector<std::string> closed = ShownRowsText(ClosedTrades(frame)->GetGridWindow());
    ASSERT_EQ(movements.size(), 4u);
    ASSERT_EQ(closed.size(), 1u);
    delete frame;
    EXPECT_TRUE(m_template->GetDocuments().empty());

    CDocCartera* again = Open(path);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(ShownRowsText(Movements(FrameOf(again))->GetGridWindow()), movements);
    EXPECT_EQ(ShownRowsText(ClosedTrades(FrameOf(again))->GetGridWindow()), closed);
    EXPECT_EQ(again->GetObjectType(0), 12);
    EXPECT_EQ(again->GetObjectType(-5), 12);
}

TEST_F(DocumentTest, OpeningAnOpenFileActivatesItsFrameInsteadOfASecondOne) {
    std::string path = WritePortfolio("Once", {});
    CDocCartera* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(Open(path), doc);
    EXPECT_EQ(m_template->GetDocuments().size(), 1u);
    EXPECT_EQ(FramesOnScreen(), 1);
}

TEST_F(DocumentTest, DamagedFileGivesAClearMessageAndDisturbsNothing) {
    int d = DateNumber(2026, 5, 6);
    std::string good = WritePortfolio("Good", {Exec(true, "ACS.MC", 10, 30.0, 0.0, d)});
    CDocCartera* doc = Open(good);
    ASSERT_NE(doc, nullptr);
    std::vector<std::string> rows = ShownRowsText(Movements(FrameOf(doc))->GetGridWindow());

    std::string bytes = ReadBytes(WritePortfolio(
        "Cut", {Exec(true, "ACS.MC", 10, 30.0, 0.0, d), Exec(true, "ELE.MC", 5, 20.0, 0.0, d)}));
    std::string cut = PortfolioPath("Cut");
    WriteBytes(cut, bytes.substr(0, bytes.size() * 2 / 3));
    std::string text = PortfolioPath("Notes");
    WriteBytes(text, "These are my notes, not a portfolio.\n");

    EXPECT_EQ(Open(cut), nullptr);
    EXPECT_EQ(Open(text), nullptr);
    EXPECT_EQ(Open(PortfolioPath("Missing")), nullptr);
    ASSERT_EQ(m_messages.size(), 3u);
    EXPECT_NE(m_messages[0].find(cut), std::string::npos) << m_messages[0];
    EXPECT_NE(m_messages[0].find("damaged"), std::string::npos) << m_messages[0];
    EXPECT_NE(m_messages[1].find(text), std::string::npos) << m_messages[1];
    EXPECT_NE(m_messages[1].find("not a portfolio file"), std::string::npos) << m_messages[1];
    EXPECT_NE(m_messages[2].find(PortfolioPath("Missing")), std::string::npos) << m_messages[2];

    // The good portfolio is alone and untouched.
    EXPECT_EQ(m_template->GetDocuments(), std::vector<CDocument*>{doc});
    EXPECT_EQ(FramesOnScreen(), 1);
    EXPECT_EQ(ShownRowsText(Movements(FrameOf(doc))->GetGridWindow()), rows);
    EXPECT_EQ(ReadBytes(text), "These are my notes, not a portfolio.\n");
}

TEST_F(DocumentTest, AFailedSaveNamesTheFile) {
    CDocCartera* doc = CreateNew("Moving");
    ASSERT_NE(doc, nullptr);
    // The portfolio folder turns into a file: the next save cannot replace anything in it.
    std::string folder = m_home.path().toStdString() + "/portfolios";
    std::string path = doc->GetPathName();
    ASSERT_EQ(std::remove(path.c_str()), 0);
    ASSERT_EQ(std::remove(folder.c_str()), 0);
    WriteBytes(folder, "x");
    FrameOf(doc)->GetAdmCartera()->AddOrder(Cash(kImposition, 1, 10, DateNumber(2026, 1, 2)));
    ASSERT_FALSE(m_messages.empty());
    EXPECT_NE(m_messages.back().find(path), std::string::npos) << m_messages.back();
    std::remove(folder.c_str());
}

}  // namespace
}  // namespace cartera::window::testing
