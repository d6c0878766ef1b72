#pragma once
// The three list views of a portfolio frame (movements, open trades, closed trades) and
// their base, which carries the portfolio commands, the grid window and printing.
#include <cstdint>
#include <memory>
#include <string>

#include "framework/view.h"
#include "grids/grid_cartera.h"
#include "grids/grid_trades.h"
#include "grids/portfolio_view.h"

class CDocCartera;
class CSistemaCartera;

namespace cartera::qt {
class GridView;
}

class CViewBaseCartera : public CView, public IPortfolioView {
    DECLARE_DYNCREATE(CViewBaseCartera)

  public:
    // Command ids.
    static constexpr int kCmdBuy = 33748;
    static constexpr int kCmdSell = 33749;
    static constexpr int kCmdOther = 33750;
    static constexpr int kCmdCommission = 33751;
    static constexpr int kCmdStatistics = 33760;
    static constexpr int kCmdAction = 33762;
    static constexpr int kCmdPrint = 57607;

    CViewBaseCartera() = default;
    ~CViewBaseCartera() override;

    // Creates the grid's window inside the view; non-zero on success.
    virtual int CrearGrid(CGridTabla* grid);
    // Prints the grid through its print handler; nothing without a grid.
    virtual void OnFilePrint();

    // The portfolio commands.
    void OnCarteraComprar() override { OnCarteraOperar(3391); }
    void OnCarteraVender() override { OnCarteraOperar(3392); }
    // The buy/sell sheet with caption textId (3391 buy, 3392 sell); in the open trades view
    // it starts from the trade under the cursor.
    void OnCarteraOperar(int textId);
    void OnCarteraOtros() override;
    void OnCarteraComision() override;
    // The corporate-action sheet.
    void OnCarteraAccion();
    // Opens the portfolio's statistics window beside it.
    void OnCarteraEstadisticas();
    // The entry points the host calls directly (the module exports them as C functions,
    // see module_entry.cc); the row has no effect.
    void OnComprar(int /*row*/) { OnCarteraComprar(); }
    void OnVender(int /*row*/) { OnCarteraVender(); }
    void OnOtros() { OnCarteraOtros(); }
    void OnComision() { OnCarteraComision(); }
    // Edits the movement with this id; nothing without a ledger or for an unknown id.
    void OnModificar(uint64_t id) override;
    void InvalidateView() override;

    int OnCreate(CCreateContext* context) override;
    bool OnCmdMsg(int id) override;
    // The portfolio commands and printing are always available here.
    bool OnUpdateCmdUI(int id, bool* enabled) const override;
    cartera::Status ExportToPdf(const std::string& path) override;

    CGridTabla* GetGrid() const { return m_pGrid; }
    CSistemaCartera* GetLedger() const { return m_pSistema; }
    cartera::qt::GridView* GetGridWindow() const { return m_pGridWnd; }
    // Headings and rows again in the interface language.
    virtual void Retranslate();

  protected:
    // The tab label's string id, for printed titles.
    virtual int LabelId() const { return 0; }
    // Deletes the grid window; derived views call it before their grid goes.
    void DestroyGridWindow();
    // Creates the grid window for grid, makes it a view of the ledger and links grid, view
    // and ledger. -1 on failure.
    int CreateListGrid(CGridQBase* grid);
    void OnSize(int type, int cx, int cy) override;

    CGridTabla* m_pGrid = nullptr;
    CSistemaCartera* m_pSistema = nullptr;
    cartera::qt::GridView* m_pGridWnd = nullptr;
};

class CViewCartera : public CViewBaseCartera {
    DECLARE_DYNCREATE(CViewCartera)

  public:
    static constexpr int kCmdEditClear = 57632;

    CViewCartera();
    ~CViewCartera() override;

    CDocCartera* GetDocument() const;
    CGridCartera* GetGridCartera() const { return m_pGridCartera.get(); }

    int OnCreate(CCreateContext* context) override;
    void OnUpdate(CView* sender, long hint, CObject* hintObject) override;
    bool OnCmdMsg(int id) override;
    bool OnUpdateCmdUI(int id, bool* enabled) const override;
    // Deletes the movement under the cursor after confirmation.
    void OnEditClear();

  protected:
    int LabelId() const override { return 3377; }

  private:
    std::unique_ptr<CGridCartera> m_pGridCartera;
};

class CViewOpAbiertas : public CViewBaseCartera {
    DECLARE_DYNCREATE(CViewOpAbiertas)

  public:
    CViewOpAbiertas();
    ~CViewOpAbiertas() override;
    CGridOpAbiertas* GetGridAbiertas() const { return m_pGridAbiertas.get(); }
    int OnCreate(CCreateContext* context) override;
    void OnUpdate(CView* sender, long hint, CObject* hintObject) override;

  protected:
    int LabelId() const override { return 3378; }

  private:
    std::unique_ptr<CGridOpAbiertas> m_pGridAbiertas;
};

class CViewOpCerradas : public CViewBaseCartera {
    DECLARE_DYNCREATE(CViewOpCerradas)

  public:
    CViewOpCerradas();
    ~CViewOpCerradas() override;
    CGridOpCerradas* GetGridCerradas() const { return m_pGridCerradas.get(); }
    int OnCreate(CCreateContext* context) override;
    void OnUpdate(CView* sender, long hint, CObject* hintObject) override;

  protected:
    int LabelId() const override { return 3379; }

  private:
    std::unique_ptr<CGridOpCerradas> m_pGridCerradas;
};
