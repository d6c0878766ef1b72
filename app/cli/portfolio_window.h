#pragma once
// The portfolio window of the command line: the workstation's three list grids and its
// valuation table, created and linked to a ledger as the tab views link them, with no
// renderer. Linked before the portfolio is loaded, the grids read the layouts stored in the
// file, and every save writes their layouts back.
#include <memory>

class CGridCartera;
class CGridOpAbiertas;
class CGridOpCerradas;
class CGridQBase;
class CGridValoracion;
class CSistemaCartera;

namespace cartera::cli {

class PortfolioWindow {
  public:
    // Creates the four grids (so they are set up) and links the ledger to the list grids,
    // so their layouts are read and saved with the file. With shown, the grids are linked
    // back to the ledger and fill themselves; without, they stay empty, which spares
    // commands that only change the journal three full refills per save.
    // ledger is not owned and must outlive the window.
    PortfolioWindow(CSistemaCartera* ledger, bool shown);
    // Unlinks the ledger from the grids.
    ~PortfolioWindow();
    PortfolioWindow(const PortfolioWindow&) = delete;
    PortfolioWindow& operator=(const PortfolioWindow&) = delete;

    // What the views do when the document updates them: refills the list grids (each sorts
    // again by its sort state) and rewrites the valuation table. Nothing unless shown.
    void Update();

    CGridCartera& Movements() { return *m_movements; }
    CGridOpAbiertas& Open() { return *m_open; }
    CGridOpCerradas& Closed() { return *m_closed; }
    CGridValoracion& Valuation() { return *m_valuation; }

  private:
    CSistemaCartera* m_ledger;
    bool m_shown;
    std::unique_ptr<CGridCartera> m_movements;
    std::unique_ptr<CGridOpAbiertas> m_open;
    std::unique_ptr<CGridOpCerradas> m_closed;
    std::unique_ptr<CGridValoracion> m_valuation;
};

}  // namespace cartera::cli
