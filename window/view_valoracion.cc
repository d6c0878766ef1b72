#include "window/view_valoracion.h"

#include "host/qt/grid_print.h"
#include "host/qt/grid_view.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/grid_window.h"

IMPLEMENT_DYNCREATE(CViewValoracion, CView)

namespace {
constexpr int kLabelId = 3400;
}

CViewValoracion::CViewValoracion() : m_pGridValoracion(std::make_unique<CGridValoracion>()) {}

CViewValoracion::~CViewValoracion() {
    delete m_pGridWnd;  // before the grid it shows
}

int CViewValoracion::OnCreate(CCreateContext* context) {
    if (CView::OnCreate(context) == -1) return -1;
    m_pGridWnd = cartera::window::CreateGridWindow(*m_pGridValoracion, *this);
    if (m_pGridWnd) {
        // The grid reaches the view's right and bottom edges; beyond the table it shows the
        // view's own background.
        m_pGridWnd->setFrameShape(QFrame::NoFrame);
        QPalette palette = m_pGridWnd->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        m_pGridWnd->setPalette(palette);
        // A table to read: its heading row keeps its own colours, never the selection's.
        m_pGridWnd->SetSelectionShown(false);
    }
    auto* frame = dynamic_cast<CChildFrmCartera*>(GetParentFrame());
    CSistemaCartera* ledger = frame ? frame->GetAdmCartera() : nullptr;
    m_pGridValoracion->SetLedger(ledger);
    m_pSistema = ledger;
    if (ledger) ledger->AddView(m_pGridValoracion.get());
    m_pGridValoracion->Refresh();
    return 0;
}

void CViewValoracion::OnInitialUpdate() {
    CView::OnInitialUpdate();
    m_pGridValoracion->Refresh();
}

void CViewValoracion::OnUpdate(CView* sender, long hint, CObject* hintObject) {
    if (m_laidOutHeight >= 0 && m_pGridValoracion->GetPreferredHeight() != m_laidOutHeight)
        OnSize(0, m_width, m_height);
}

void CViewValoracion::OnSize(int type, int cx, int cy) {
    if (!m_pGridWnd) return;
    m_width = cx;
    m_height = cy;
    int w = m_pGridValoracion->GetPreferredWidth();
    int h = m_pGridValoracion->GetPreferredHeight();
    m_laidOutHeight = h;
    int x = 0, y = 0, width = cx, height = cy;
    if (w < cx) {
        x = (cx - w) / 2;
        width = x + w;
    }
    if (h < cy) {
        y = (cy - h) / 2;
        height = y + h;
    }
    m_pGridWnd->setGeometry(x, y, width, height);
    RECT r;
    r.left = x;
    r.top = y;
    r.right = x + width;
    r.bottom = y + height;
    m_pGridValoracion->MoveWindow(r);
    m_pGridWnd->update();
}

bool CViewValoracion::OnCmdMsg(int id) {
    if (id != kCmdPrint) return false;
    OnPrint();
    return true;
}

bool CViewValoracion::OnUpdateCmdUI(int id, bool* enabled) const {
    if (id != kCmdPrint) return false;
    *enabled = true;
    return true;
}

void CViewValoracion::OnPrint() {
    if (!m_pGridValoracion) return;
    cartera::qt::InstallPrintHandler(
        *m_pGridValoracion, this,
        QString::fromStdString(cartera::window::PrintTitle(*this, kLabelId)));
    m_pGridValoracion->Imprimir();
}

cartera::Status CViewValoracion::ExportToPdf(const std::string& path) {
    return cartera::window::ExportGrid(*m_pGridValoracion, path,
                                       cartera::window::PrintTitle(*this, kLabelId));
}

void CViewValoracion::Retranslate() {
    m_pGridValoracion->DrawLabels();
    m_pGridValoracion->Refresh();
}
