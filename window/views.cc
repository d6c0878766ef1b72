#include "window/views.h"

#include "dialogs/sheets.h"
#include "framework/document.h"
#include "host/qt/grid_print.h"
#include "host/qt/grid_view.h"
#include "host/strings.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/doc_cartera.h"
#include "window/grid_window.h"
#include "window/statistics_window.h"

IMPLEMENT_DYNCREATE(CViewBaseCartera, CView)
IMPLEMENT_DYNCREATE(CViewCartera, CViewBaseCartera)
IMPLEMENT_DYNCREATE(CViewOpAbiertas, CViewBaseCartera)
IMPLEMENT_DYNCREATE(CViewOpCerradas, CViewBaseCartera)

using cartera::dialogs::Sheets;

// --- CViewBaseCartera -------------------------------------------------------------------------

CViewBaseCartera::~CViewBaseCartera() {
    // The statistics window reads the ledger, which goes with the frame.
    if (m_pSistema) cartera::window::LedgerClosing(m_pSistema);
    DestroyGridWindow();
}

void CViewBaseCartera::DestroyGridWindow() {
    delete m_pGridWnd;
    m_pGridWnd = nullptr;
}

int CViewBaseCartera::OnCreate(CCreateContext* context) {
    if (CView::OnCreate(context) == -1) return -1;
    auto* frame = dynamic_cast<CChildFrmCartera*>(GetParentFrame());
    m_pSistema = frame ? frame->GetAdmCartera() : nullptr;
    if (frame && GetDocument()) frame->OnUpdateFrameTitle();
    return 0;
}

int CViewBaseCartera::CrearGrid(CGridTabla* grid) {
    m_pGrid = grid;
    m_pGridWnd = grid ? cartera::window::CreateGridWindow(*grid, *this) : nullptr;
    return m_pGridWnd ? 1 : 0;
}

int CViewBaseCartera::CreateListGrid(CGridQBase* grid) {
    if (CViewBaseCartera::OnCreate(nullptr) == -1) return -1;
    if (!CrearGrid(grid)) return -1;
    if (m_pSistema) m_pSistema->AddView(grid);
    grid->SetView(this);
    grid->SetLedger(m_pSistema);
    return 0;
}

void CViewBaseCartera::OnSize(int type, int cx, int cy) {
    if (!m_pGridWnd) return;
    QRect client = rect();
    m_pGridWnd->setGeometry(client.left(), client.top(), client.width(), client.height());
    RECT r;
    r.right = client.width();
    r.bottom = client.height();
    m_pGrid->MoveWindow(r);
    m_pGridWnd->update();
}

void CViewBaseCartera::OnFilePrint() {
    if (!m_pGrid) return;
    cartera::qt::InstallPrintHandler(
        *m_pGrid, this, QString::fromStdString(cartera::window::PrintTitle(*this, LabelId())));
    m_pGrid->Imprimir();
}

cartera::Status CViewBaseCartera::ExportToPdf(const std::string& path) {
    if (!m_pGrid) return CView::ExportToPdf(path);
    return cartera::window::ExportGrid(*m_pGrid, path,
                                       cartera::window::PrintTitle(*this, LabelId()));
}

void CViewBaseCartera::OnCarteraOperar(int textId) {
    // The sheet starts from a copy of the selected open trade: the ledger's own trades change
    // only through the ledger.
    CNegocioC selected;
    CNegocioC* trade = nullptr;
    if (IsKindOf(RUNTIME_CLASS(CViewOpAbiertas)) && m_pGrid && m_pSistema) {
        int row = m_pGrid->GetCurrentRow();
        const CNegocioC* open =
            row == -1 ? nullptr
                      : m_pSistema->GetOpAbierta(static_cast<CGridQBase*>(m_pGrid)->GetRowID(row));
        if (open) {
            selected = *open;
            trade = &selected;
        }
    }
    if (m_pSistema)
        Sheets().RunBuySell(*m_pSistema, textId, textId == 3391 ? 1 : 0, trade, nullptr);
}

void CViewBaseCartera::OnCarteraOtros() {
    if (m_pSistema) Sheets().RunOther(*m_pSistema, 3394, nullptr);
}

void CViewBaseCartera::OnCarteraAccion() {
    if (m_pSistema) Sheets().RunAction(*m_pSistema, 44025, nullptr);
}

void CViewBaseCartera::OnCarteraComision() {
    if (m_pSistema && m_pSistema->GetAdmComisiones()) Sheets().RunCommissions(*m_pSistema, 3393);
}

void CViewBaseCartera::OnCarteraEstadisticas() {
    if (m_pSistema) cartera::window::OpenStatistics(m_pSistema, window());
}

void CViewBaseCartera::OnModificar(uint64_t id) {
    constexpr int kCaption = 3460, kModifyBuy = 42300, kModifySell = 42301;
    if (!m_pSistema) return;
    // The sheet edits a copy; the ledger changes only when it is accepted.
    COrderCartera movement;
    if (!m_pSistema->GetEntryOrder(id, movement)) return;
    int type = movement.type;
    if (type >= 1 && type <= 5)
        Sheets().RunOther(*m_pSistema, kCaption, &movement);
    else if (movement.IsAction())
        Sheets().RunAction(*m_pSistema, kCaption, &movement);
    else  // the title says which side is being changed
        Sheets().RunBuySell(*m_pSistema, movement.buy ? kModifyBuy : kModifySell, 1, nullptr,
                            &movement);
}

void CViewBaseCartera::InvalidateView() {
    update();
    if (m_pGridWnd) m_pGridWnd->viewport()->repaint();
}

bool CViewBaseCartera::OnCmdMsg(int id) {
    switch (id) {
        case kCmdBuy:
            OnCarteraComprar();
            return true;
        case kCmdSell:
            OnCarteraVender();
            return true;
        case kCmdOther:
            OnCarteraOtros();
            return true;
        case kCmdCommission:
            OnCarteraComision();
            return true;
        case kCmdAction:
            OnCarteraAccion();
            return true;
        case kCmdStatistics:
            OnCarteraEstadisticas();
            return true;
        case kCmdPrint:
            OnFilePrint();
            return true;
        default:
            return false;
    }
}

bool CViewBaseCartera::OnUpdateCmdUI(int id, bool* enabled) const {
    switch (id) {
        case kCmdBuy:
        case kCmdSell:
        case kCmdOther:
        case kCmdCommission:
        case kCmdAction:
        case kCmdStatistics:
        case kCmdPrint:
            *enabled = true;
            return true;
        default:
            return false;
    }
}

void CViewBaseCartera::Retranslate() {
    auto* grid = dynamic_cast<CGridQBase*>(m_pGrid);
    if (grid) grid->OnModifyHeader();  // which refills the rows too
}

// --- The list views -----------------------------------------------------------------------

CViewCartera::CViewCartera() : m_pGridCartera(std::make_unique<CGridCartera>()) {}
CViewCartera::~CViewCartera() { DestroyGridWindow(); }

CDocCartera* CViewCartera::GetDocument() const {
    return dynamic_cast<CDocCartera*>(CView::GetDocument());
}

int CViewCartera::OnCreate(CCreateContext* context) {
    if (CreateListGrid(m_pGridCartera.get()) == -1) return -1;
    // The ledger learns of the document here, between adding the grid and linking it.
    if (m_pSistema) m_pSistema->SetDocumento(GetDocument());
    return 0;
}

void CViewCartera::OnUpdate(CView*, long, CObject*) { m_pGridCartera->RequestRefill(); }

bool CViewCartera::OnCmdMsg(int id) {
    if (id == kCmdEditClear) {
        OnEditClear();
        return true;
    }
    return CViewBaseCartera::OnCmdMsg(id);
}

bool CViewCartera::OnUpdateCmdUI(int id, bool* enabled) const {
    if (id != kCmdEditClear) return CViewBaseCartera::OnUpdateCmdUI(id, enabled);
    *enabled = m_pGrid && m_pGrid->GetCurrentCol() >= 0 && m_pGrid->GetCurrentRow() >= 0;
    return true;
}

void CViewCartera::OnEditClear() { m_pGridCartera->DeleteMovementRow(-1, -1); }

CViewOpAbiertas::CViewOpAbiertas() : m_pGridAbiertas(std::make_unique<CGridOpAbiertas>()) {}
CViewOpAbiertas::~CViewOpAbiertas() { DestroyGridWindow(); }

int CViewOpAbiertas::OnCreate(CCreateContext*) { return CreateListGrid(m_pGridAbiertas.get()); }

void CViewOpAbiertas::OnUpdate(CView*, long, CObject*) { m_pGridAbiertas->RequestRefill(); }

CViewOpCerradas::CViewOpCerradas() : m_pGridCerradas(std::make_unique<CGridOpCerradas>()) {}
CViewOpCerradas::~CViewOpCerradas() { DestroyGridWindow(); }

int CViewOpCerradas::OnCreate(CCreateContext*) { return CreateListGrid(m_pGridCerradas.get()); }

void CViewOpCerradas::OnUpdate(CView*, long, CObject*) {
    m_pGridCerradas->RequestRefill();
    cartera::window::LedgerChanged(m_pSistema);
}
