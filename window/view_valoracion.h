#pragma once
// The valuation tab: the portfolio's valuation table, centred at its preferred size. It
// offers printing only; the ledger refreshes its grid directly.
#include <memory>
#include <string>

#include "framework/view.h"
#include "grids/grid_valoracion.h"

class CSistemaCartera;

namespace cartera::qt {
class GridView;
}

class CViewValoracion : public CView {
    DECLARE_DYNCREATE(CViewValoracion)

  public:
    static constexpr int kCmdPrint = 57607;

    CViewValoracion();
    ~CViewValoracion() override;

    CGridValoracion* GetGrid() const { return m_pGridValoracion.get(); }
    CSistemaCartera* GetLedger() const { return m_pSistema; }
    cartera::qt::GridView* GetGridWindow() const { return m_pGridWnd; }

    int OnCreate(CCreateContext* context) override;
    // The ledger refreshes the table itself; an update only centres it again when the rows
    // shown (a currency's) changed its height.
    void OnUpdate(CView* sender, long hint, CObject* hintObject) override;
    void OnInitialUpdate() override;
    void OnSize(int type, int cx, int cy) override;
    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(int id, bool* enabled) const override;
    cartera::Status ExportToPdf(const std::string& path) override;
    // Prints the table; nothing without a grid.
    void OnPrint();
    // Labels and values again in the interface language.
    void Retranslate();

  private:
    std::unique_ptr<CGridValoracion> m_pGridValoracion;
    CSistemaCartera* m_pSistema = nullptr;
    cartera::qt::GridView* m_pGridWnd = nullptr;
    int m_width = 0, m_height = 0;  // the view's size at the last OnSize
    int m_laidOutHeight = -1;       // the table's height it was centred with
};
