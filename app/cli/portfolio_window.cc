#include "app/cli/portfolio_window.h"

#include "grids/grid_cartera.h"
#include "grids/grid_trades.h"
#include "grids/grid_valoracion.h"
#include "model/sistema.h"

namespace cartera::cli {
namespace {

// The control ids of the workstation's tab views; the grids only record them.
constexpr int kMovementsId = 1;
constexpr int kOpenId = 2;
constexpr int kClosedId = 3;
constexpr int kValuationId = 4;

}  // namespace

PortfolioWindow::PortfolioWindow(CSistemaCartera* ledger, bool shown)
    : m_ledger(ledger),
      m_shown(shown),
      m_movements(std::make_unique<CGridCartera>()),
      m_open(std::make_unique<CGridOpAbiertas>()),
      m_closed(std::make_unique<CGridOpCerradas>()),
      m_valuation(std::make_unique<CGridValoracion>()) {
    const RECT place{0, 0, 800, 600};
    // Linked before they are created, so set-up already fills them from the ledger.
    if (shown) {
        m_movements->SetLedger(ledger);
        m_open->SetLedger(ledger);
        m_closed->SetLedger(ledger);
        m_valuation->SetLedger(ledger);
    }
    m_movements->CreateGrid(place, nullptr, kMovementsId);
    m_open->CreateGrid(place, nullptr, kOpenId);
    m_closed->CreateGrid(place, nullptr, kClosedId);
    m_valuation->CreateGrid(place, nullptr, kValuationId);
    ledger->AddView(m_movements.get());
    ledger->AddView(m_open.get());
    ledger->AddView(m_closed.get());
    if (shown) {
        m_valuation->Refresh();
        ledger->AddView(m_valuation.get());
    }
}

PortfolioWindow::~PortfolioWindow() = default;  // the grids leave the ledger as they go

void PortfolioWindow::Update() {
    if (!m_shown) return;
    m_movements->FillGrid();
    m_open->FillGrid();
    m_closed->FillGrid();
    m_valuation->Refresh();
}

}  // namespace cartera::cli
