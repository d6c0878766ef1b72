#pragma once
// Shared pieces of the portfolio window tests: a fixture with a home folder of its own, a
// private market service, recorded message boxes and status texts, and a portfolio
// template; helpers that write portfolio files and read what the grids show on screen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dialogs/sheets.h"
#include "host/market.h"
#include "model/order.h"
#include "testing/test_hooks.h"
#include "testing/test_ledger.h"

class CChildFrmCartera;
class CDocCartera;
class CDocTemplate;
class CDocument;
class CUGCtrl;
class CViewCartera;
class CViewOpAbiertas;
class CViewOpCerradas;
class CViewValoracion;
class QMenu;
class QPoint;
class QWidget;

namespace cartera::qt {
class GridView;
}

namespace cartera::window::testing {

using cartera::testing::Cash;
using cartera::testing::Exec;
using dialogs::PortfolioSheets;
using dialogs::SetSheets;
using ::testing::AllOf;
using ::testing::HasSubstr;

// Every process-wide hook is kept (the dialogs' runners, the sheets and the status handler
// too) and the home folder is a fresh temporary one.
class WindowTest : public cartera::testing::HooksTest {
  protected:
    WindowTest();
    ~WindowTest() override;

    std::string PortfolioPath(const std::string& name) const;
    // Writes a portfolio with movements, as the command line would; returns its path.
    std::string WritePortfolio(const std::string& name,
                               const std::vector<COrderCartera>& movements);

    CDocCartera* Open(const std::string& path);
    // A new portfolio: the name dialog gets name typed and OK pressed (Cancel when empty).
    CDocCartera* CreateNew(const std::string& name);

    static CChildFrmCartera* FrameOf(CDocument* doc);
    static CViewCartera* Movements(CChildFrmCartera* frame);
    static CViewOpAbiertas* OpenTrades(CChildFrmCartera* frame);
    static CViewOpCerradas* ClosedTrades(CChildFrmCartera* frame);
    static CViewValoracion* Rating(CChildFrmCartera* frame);
    static void SendTimer(CChildFrmCartera* frame, int id);

    CMarketService m_market;
    // The windows' file system (the real one, or what a test swaps in) and context.
    cartera::testing::RedirectEnv m_files{PosixEnv()};
    Context m_ctx{&m_files, {}, hooks.Home(), Language::en};
    std::unique_ptr<CDocTemplate> m_template;
    std::vector<std::string> m_messages;  // every message box shown
    int m_answer = 7;                     // what questions are answered (IDNO)
};

// Records each sheet a command opens as "sheet caption buy trade-id movement-id" ("-" for
// none), so a wrong sheet, side or row reads in one line.
class RecordingSheets : public PortfolioSheets {
  public:
    void RunBuySell(CSistemaCartera&, int caption, int buy, CNegocioC* trade,
                    COrderCartera* movement) override;
    void RunOther(CSistemaCartera&, int caption, COrderCartera* movement) override;
    void RunCommissions(CSistemaCartera&, int caption) override;
    std::vector<std::string> calls;
};

// A window test with the sheets recorded and a sample portfolio: an imposition of 5000 and
// buys of BBVA.MC and REP.MC around a dividend of 12.50, on 2026-02-09.
class SheetsTest : public WindowTest {
  protected:
    SheetsTest() { SetSheets(&sheets); }
    ~SheetsTest() override { SetSheets(nullptr); }  // before sheets goes
    // Opens movements (the sample when empty) and shows its frame; null when it failed.
    CChildFrmCartera* OpenSample(std::vector<COrderCartera> movements = {});

    RecordingSheets sheets;
};

std::string ShownText(const qt::GridView* view, int row, int col);
// The grid column of a heading id; -1 when the grid has none.
int ColumnOf(CUGCtrl& grid, int headingId);
// Every row as shown, cells joined with '|'.
std::vector<std::string> ShownRowsText(const qt::GridView* view);
// The first shown row whose cell in col reads text; -1 for none.
int RowShowing(const qt::GridView* view, int col, const std::string& text);

// Mouse clicks as the user makes them: a left click on a cell, a right click on a cell or
// on a column heading (returning the popup menu it opened, or null), and the items of a
// popup menu by their texts (without '&'), each opening the next submenu, chosen with
// the pointer resting on them and Return.
void ClickCell(qt::GridView* view, int row, int col);
QMenu* RightClickCell(qt::GridView* view, int row, int col);
QMenu* RightClickHeading(qt::GridView* view, int col);
void ClickMenu(QMenu* menu, const std::vector<std::string>& path);

}  // namespace cartera::window::testing
