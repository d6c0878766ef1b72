#include <QApplication>
#include <QPushButton>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "dialogs/comision_editor.h"
#include "framework/doc_template.h"
#include "host/archive.h"
#include "host/dates.h"
#include "host/env.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "host/version_info.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "testing/faulty_env.h"
#include "testing/test_support.h"
#include "window/child_frm_cartera.h"
#include "window/doc_cartera.h"
#include "window/test_support.h"
#include "window/views.h"

namespace cartera::window::testing {
namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<COrderCartera> OrdersInFile(const std::string& path) {
    CSistemaCartera ledger{cartera::testing::BareContext()};
    PortfolioDocument doc(&ledger, PosixEnv());
    EXPECT_EQ(doc.Load(path).message(), "");
    return ledger.GetOrders();
}

int FramesOnScreen() {
    int n = 0;
    for (QWidget* w : QApplication::allWidgets())
        if (dynamic_cast<CChildFrmCartera*>(w)) ++n;
    return n;
}

using DocumentTest = WindowTest;

TEST_F(DocumentTest, NewKeepsAnExistingFileAfterNoAndSavesANamedEmptyPortfolioAtOnce) {
    std::string path = WritePortfolio("Taken", {Cash(kImposition, 1, 100, DateNumber(2026, 1, 5))});
    std::string before = ReadBytes(path);
    EXPECT_EQ(CreateNew(""), nullptr);  // the name dialog cancelled
    EXPECT_TRUE(m_messages.empty());

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
    EXPECT_EQ(OrdersInFile(path).size(), 0u);
    EXPECT_EQ(Movements(FrameOf(doc))->GetGridWindow()->model()->rowCount(), 0);

    // A new name: saved at once, marked new, asking nothing.
    CDocCartera* savings = CreateNew("Savings");
    ASSERT_NE(savings, nullptr);
    EXPECT_EQ(savings->GetPathName(), PortfolioPath("Savings"));
    EXPECT_EQ(FrameOf(savings)->GetWindowText(), "Savings.cartera");
    EXPECT_EQ(savings->IsCreatedAsNew(), 1);
    EXPECT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(OrdersInFile(PortfolioPath("Savings")).size(), 0u);
}

// A change appends one record to the file; whole saves reuse the one kept buffer; closing
// after a sort keeps it, and reopening shows what the window showed.
TEST_F(DocumentTest, ChangesAppendToTheFileReopeningShowsThemAndAFailedSaveKeepsTheMark) {
    int d = DateNumber(2026, 4, 1);
    std::string path = WritePortfolio(
        "Round", {Cash(kImposition, 1, 8000, d), Exec(true, "TEF.MC", 300, 3.9, 0.0, d)});
    CDocCartera* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    CChildFrmCartera* frame = FrameOf(doc);
    CSistemaCartera* ledger = frame->GetAdmCartera();
    EXPECT_EQ(doc->IsCreatedAsNew(), 0);
    const std::string before = ReadBytes(path);
    const size_t records = doc->Store().RecordCount();
    ledger->AddOrder(Exec(false, "TEF.MC", 100, 4.2, 0.0, d));
    EXPECT_EQ(doc->Store().RecordCount(), records + 1);
    EXPECT_EQ(ReadBytes(path).substr(0, before.size()), before);

    ASSERT_TRUE(doc->OnFileSave());
    ledger->AddOrder(Cash(kDeposit, 1, 25, d));
    ASSERT_TRUE(doc->OnFileSave());  // the buffer has grown to the journal's size
    const char* buffer = doc->Store().Buffer().data();
    for (int i = 0; i < 2; ++i) {
        ledger->AddOrder(Cash(kDeposit, 1, 30 + i, d));
        ASSERT_TRUE(doc->OnFileSave());
        EXPECT_EQ(doc->Store().Buffer().data(), buffer) << i;
    }
    ledger->AddOrder(Cash(kExpense, 1, 25, d));
    CGridCartera* grid = Movements(frame)->GetGridCartera();
    grid->SetSortCol(ColumnOf(*grid, 3386));
    grid->ApplySort();
    std::vector<std::string> movements = ShownRowsText(Movements(frame)->GetGridWindow());
    std::vector<std::string> closed = ShownRowsText(ClosedTrades(frame)->GetGridWindow());
    ASSERT_EQ(movements.size(), 7u);
    ASSERT_EQ(closed.size(), 1u);
    ASSERT_TRUE(doc->OnCloseObject());
    delete frame;
    EXPECT_TRUE(m_template->GetDocuments().empty());

    CDocCartera* again = Open(path);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(ShownRowsText(Movements(FrameOf(again))->GetGridWindow()), movements);
    EXPECT_EQ(ShownRowsText(ClosedTrades(FrameOf(again))->GetGridWindow()), closed);

    // A failed save keeps the change marked until File > Save writes it.
    doc = again;
    ledger = FrameOf(again)->GetAdmCartera();
    std::string saved = ReadBytes(path);
    m_messages.clear();
    {
        std::unique_ptr<Env> failing = MakeFaultyPosixEnv(SaveStep::fsync, EIO);
        m_files.Redirect(failing.get());
        for (double amount : {20, 30}) ledger->AddOrder(Cash(kDeposit, 1, amount, d));
        m_files.Redirect(PosixEnv());
    }
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_THAT(m_messages[0], HasSubstr(path + " cannot be saved"));
    EXPECT_EQ(ReadBytes(path), saved);

    // Another program changes the file meanwhile: a change is not saved over it, and File ›
    // Save asks first.
    WriteBytes(path, saved + "x");
    ledger->AddOrder(Cash(kDeposit, 1, 40, d));
    ASSERT_EQ(m_messages.size(), 3u);
    EXPECT_THAT(m_messages[2], HasSubstr(::LS(40082)));
    EXPECT_EQ(ReadBytes(path), saved + "x");
    m_answer = 7;  // No
    EXPECT_FALSE(doc->OnFileSave());
    EXPECT_EQ(ReadBytes(path), saved + "x");
    m_answer = 6;  // Yes
    EXPECT_TRUE(doc->OnFileSave());
    EXPECT_EQ(m_messages.size(), 5u);
    EXPECT_EQ(OrdersInFile(path).size(), 10u);
    // A refused change (another writer keeps the lock, the file is read-only) stays marked;
    // the next change writes the window's journal whole, and only then the mark goes.
    struct HeldLocks : EnvWrapper {
        HeldLocks() : EnvWrapper(PosixEnv()) {}
        Status LockFile(const std::string& p, int, std::unique_ptr<FileLock>*, LockMode) override {
            return Status(ErrorKind::locked, p + " is in use by another program");
        }
    } held;
    m_files.Redirect(&held);
    ledger->DelOrder(ledger->GetOrders()[1].id);
    m_files.Redirect(PosixEnv());
    EXPECT_TRUE(doc->IsModified());
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    ledger->AddOrder(Cash(kDeposit, 1, 50, d));
    EXPECT_TRUE(doc->IsModified());
    std::filesystem::permissions(
        path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ledger->AddOrder(Cash(kDeposit, 1, 60, d));
    EXPECT_FALSE(doc->IsModified());
    auto ids = [](const std::vector<COrderCartera>& orders) {
        std::vector<uint64_t> out;
        for (const COrderCartera& m : orders) out.push_back(m.id);
        return out;
    };
    EXPECT_EQ(ids(OrdersInFile(path)), ids(ledger->GetOrders()));
    // The delete of a selection, its undo and its redo are one record each.
    const size_t count = doc->Store().RecordCount();
    ledger->DelOrders({ledger->GetOrders()[0].id, ledger->GetOrders().back().id});
    ASSERT_TRUE(doc->Undo());
    ASSERT_TRUE(doc->Redo());
    EXPECT_EQ(doc->Store().RecordCount(), count + 3);
    EXPECT_EQ(ids(OrdersInFile(path)), ids(ledger->GetOrders()));
}

TEST_F(DocumentTest, DamagedFileGivesAClearMessageAndDisturbsNothing) {
    int d = DateNumber(2026, 5, 6);
    std::string good = WritePortfolio("Good", {Exec(true, "ACS.MC", 10, 30.0, 0.0, d)});
    CDocCartera* doc = Open(good);
    ASSERT_NE(doc, nullptr);
    std::vector<std::string> rows = ShownRowsText(Movements(FrameOf(doc))->GetGridWindow());

    std::string cut = WritePortfolio(
        "Cut", {Exec(true, "ACS.MC", 10, 30.0, 0.0, d), Exec(true, "ELE.MC", 5, 20.0, 0.0, d)});
    {  // the movements written whole, so the cut falls inside them, not in a record after
        CSistemaCartera whole{m_ctx};
        PortfolioDocument file(&whole, m_ctx.env);
        ASSERT_EQ(file.Load(cut).message(), "");
        ASSERT_EQ(file.Compact().message(), "");
    }
    std::string bytes = ReadBytes(cut);
    WriteBytes(cut, bytes.substr(0, bytes.size() * 2 / 3));
    std::string text = PortfolioPath("Notes");
    WriteBytes(text, "These are my notes, not a portfolio.\n");

    EXPECT_EQ(Open(cut), nullptr);
    EXPECT_EQ(Open(text), nullptr);
    EXPECT_EQ(Open(PortfolioPath("Missing")), nullptr);
    ASSERT_EQ(m_messages.size(), 3u);
    EXPECT_THAT(m_messages[0], AllOf(HasSubstr(cut), HasSubstr("damaged")));
    EXPECT_THAT(m_messages[1], AllOf(HasSubstr(text), HasSubstr("not a portfolio file")));
    EXPECT_THAT(m_messages[2], HasSubstr(PortfolioPath("Missing")));

    // The good portfolio is alone and untouched.
    EXPECT_EQ(m_template->GetDocuments(), std::vector<CDocument*>{doc});
    EXPECT_EQ(FramesOnScreen(), 1);
    EXPECT_EQ(ShownRowsText(Movements(FrameOf(doc))->GetGridWindow()), rows);
    EXPECT_EQ(ReadBytes(text), "These are my notes, not a portfolio.\n");

    // A file from before checksums, cut inside its movements: the place is named once.
    std::string old;
    CArchive ar(&old);
    ar.WriteString("");
    CVersionInfo(ar, nullptr, 1, 0).Mark();
    ar.WriteString("");
    ar << uint32_t{2} << int32_t{0} << int32_t{2};  // two movements promised, none there
    WriteBytes(cut, old);
    EXPECT_EQ(Open(cut), nullptr);
    size_t at = m_messages.back().find("byte");
    EXPECT_NE(at, std::string::npos) << m_messages.back();
    EXPECT_EQ(m_messages.back().find("byte", at + 1), std::string::npos) << m_messages.back();

    // A dividend on no shares is no damage: it opens, with one message naming it.
    m_messages.clear();
    EXPECT_NE(Open(WritePortfolio("Shareless", {Cash(kDividend, 0, 1.5, d)})), nullptr);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_THAT(m_messages[0], HasSubstr("movement 1 of 2026-05-06 (cash)"));
}

// Real files, recording whether the portfolio's lock was held at each replacement.
class LockWatchingEnv : public EnvWrapper {
  public:
    LockWatchingEnv() : EnvWrapper(PosixEnv()) {}
    Status WriteFileAtomic(const std::string& p, std::string_view data) override {
        return WriteFileWithBackup(p, data, {});
    }
    Status WriteFileWithBackup(const std::string& p, std::string_view data,
                               const std::string& b) override {
        if (p.ends_with(".cartera")) NoteLock(p);
        return EnvWrapper::WriteFileWithBackup(p, data, b);
    }
    Status AppendAt(const std::string& p, uint64_t at, std::string_view data) override {
        if (p.ends_with(".cartera")) NoteLock(p);
        return EnvWrapper::AppendAt(p, at, data);
    }
    void NoteLock(const std::string& p) {
        std::unique_ptr<FileLock> lock;
        lockedAtSave.push_back(!PosixEnv()->LockFile(p, 0, &lock).ok());
    }
    std::vector<bool> lockedAtSave;
};

TEST_F(DocumentTest, AMovementAddedByAnotherProgramSurvivesTheNextChangeHere) {
    int d = DateNumber(2026, 3, 2);
    std::string path =
        WritePortfolio("Shared", {Cash(kImposition, 1, 900, d), Cash(kExpense, 1, 5, d)});
    CDocCartera* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    CChildFrmCartera* frame = FrameOf(doc);
    auto addFromOutside = [&](const COrderCartera& m) {  // as the command line adds one
        CSistemaCartera outside{m_ctx};
        PortfolioDocument file(&outside, m_ctx.env);
        ASSERT_EQ(file.Load(path).message(), "");
        outside.AddOrder(m);
        ASSERT_EQ(file.LastSaveError(), "");
    };
    addFromOutside(Exec(true, "ITX.MC", 7, 40.0, 0.0, d));
    std::string before = ReadBytes(path);
    LockWatchingEnv env;
    m_files.Redirect(&env);
    CViewCartera* view = Movements(frame);
    view->GetGridCartera()->GotoCell(0, RowShowing(view->GetGridWindow(), 0, ::LS(3421)));
    m_answer = 6;  // Yes, delete the expense
    ASSERT_TRUE(frame->OnCmdMsg(CViewCartera::kCmdEditClear));

    std::vector<COrderCartera> reread = OrdersInFile(path);
    ASSERT_EQ(reread.size(), 2u);
    EXPECT_EQ(reread[0].type, kImposition);
    EXPECT_EQ(reread[1].quoteCode, "ITX.MC");
    EXPECT_EQ(view->GetGridWindow()->model()->rowCount(), 2);
    EXPECT_EQ(env.lockedAtSave, std::vector<bool>{true});
    EXPECT_EQ(ReadBytes(path).substr(0, before.size()), before) << "the change was appended";

    // Without a change here, the idle timer brings the next one in, keeping the window's sort.
    ASSERT_TRUE(doc->OnFileSave());  // the file holds the layouts from before the sort
    CGridCartera* grid = view->GetGridCartera();
    const int priceCol = ColumnOf(*grid, 3386);
    grid->SetSortCol(priceCol);
    grid->SetSortAscending(0);
    grid->ApplySort();
    addFromOutside(Cash(kDeposit, 1, 50, d));
    SendTimer(frame, CChildFrmCartera::kIdleTimer);
    ASSERT_EQ(view->GetGridWindow()->model()->rowCount(), 3);
    EXPECT_EQ(ShownText(view->GetGridWindow(), 1, priceCol), "50.00");
    // The next tick keeps the sort in the file at once, so a kill does not lose it.
    SendTimer(frame, CChildFrmCartera::kIdleTimer);
    CSistemaCartera bare{m_ctx};
    ASSERT_EQ(PortfolioDocument(&bare, m_ctx.env).Load(path).message(), "");
    EXPECT_EQ(bare.GetStoredLayouts(), frame->GetAdmCartera()->LayoutBytes());
}

TEST_F(DocumentTest, ADamagedCommissionFileIsReportedKeptAndReplacedOnlyWhenTheUserSaysSo) {
    CAdmComisiones schedules{m_ctx};
    for (const char* name : {"Broker", "Bank"})
        schedules.Add(cartera::testing::Bracket(name, 4, 0, 1e6));
    ASSERT_TRUE(schedules.Save().ok());
    const std::string file = schedules.FilePath();
    std::string whole = ReadBytes(file);
    std::string cut = whole.substr(0, whole.size() - 20);  // inside the second record
    std::string path = WritePortfolio("Fees", {});
    WriteBytes(file, cut);

    CDocCartera* doc = Open(path);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_THAT(m_messages[0], HasSubstr(file));
    CAdmComisiones* adm = FrameOf(doc)->GetAdmCartera()->GetAdmComisiones();
    ASSERT_EQ(adm->Records().size(), 1u);
    EXPECT_EQ(adm->Records()[0].name, "Broker");
    EXPECT_EQ(ReadBytes(file + ".damaged"), cut);

    int edited = 0;
    CSheetComision::SetRunner([&](CSheetComision& sheet) {
        ++edited;
        sheet.OkButton()->click();
    });
    m_answer = 7;  // No: the file stays as it is
    FrameOf(doc)->OnCmdMsg(CViewBaseCartera::kCmdCommission);
    EXPECT_EQ(edited, 0);
    EXPECT_EQ(ReadBytes(file), cut);
    m_answer = 6;  // Yes: OK writes what the editor holds
    FrameOf(doc)->OnCmdMsg(CViewBaseCartera::kCmdCommission);
    EXPECT_EQ(edited, 1);
    CAdmComisiones again{m_ctx};
    again.Load();
    EXPECT_EQ(again.LoadError(), "");
    EXPECT_EQ(again.Records(), adm->Records());
}

}  // namespace
}  // namespace cartera::window::testing
