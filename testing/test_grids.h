#pragma once
// Fixtures for the grid tests: a fake view and a ledger on an in-memory file system with
// grids linked both ways.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grids/grid_cartera.h"
#include "grids/grid_trades.h"
#include "grids/portfolio_view.h"
#include "testing/test_ledger.h"

namespace cartera::testing {

// The grids' text colour and the red of losses and costs.
constexpr COLORREF kText = RGB(0, 0, 139);
constexpr COLORREF kRed = RGB(255, 0, 0);

// Records the commands the grids send to their view.
class FakeView : public IPortfolioView {
  public:
    void OnCarteraComprar() override { calls.push_back("buy"); }
    void OnCarteraVender() override { calls.push_back("sell"); }
    void OnCarteraOtros() override { calls.push_back("other"); }
    void OnCarteraComision() override { calls.push_back("commission"); }
    void OnModificar(uint64_t id) override { calls.push_back("modify " + std::to_string(id)); }
    void InvalidateView() override { ++invalidations; }

    std::vector<std::string> calls;
    int invalidations = 0;
};

// A ledger with the three list grids created and linked as the views link them.
class GridsTest : public LedgerTest {
  protected:
    GridsTest() {
        for (CGridQBase* grid : std::initializer_list<CGridQBase*>{&movements, &open, &closed}) {
            grid->CreateGrid(RECT{}, nullptr, 123);
            grid->SetView(&view);
            grid->SetLedger(&ledger);
        }
        ledger.AddView(&movements);
        ledger.AddView(&open);
        ledger.AddView(&closed);
    }

    // The grid column of a column id.
    static int Col(const CBaseGrid& grid, int id) { return grid.GetHeader().GetPosition(id); }
    static std::string Text(const CBaseGrid& grid, int id, int row) {
        return grid.QuickGetText(Col(grid, id), row);
    }
    static COLORREF TextColor(const CBaseGrid& grid, int id, int row) {
        return grid.PeekCell(Col(grid, id), row)->GetTextColor();
    }
    static bool HasText(const CBaseGrid& grid, int id, int row) {
        return grid.PeekCell(Col(grid, id), row)->IsPropertySet(UGCELL_TEXT_SET) != 0;
    }

    CSistemaCartera ledger{ctx};
    FakeView view;
    CGridCartera movements;
    CGridOpAbiertas open;
    CGridOpCerradas closed;
};

}  // namespace cartera::testing
