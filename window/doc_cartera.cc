#include "window/doc_cartera.h"

#include "dialogs/dlg_nombre_cartera.h"
#include "host/archive.h"
#include "host/folders.h"
#include "host/message_box.h"
#include "host/strings.h"
#include "host/version_info.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/framework/doc_template.h"
#include "window/framework/frame.h"
#include "window/framework/view.h"
#include "window/views.h"

IMPLEMENT_DYNCREATE(CDocCartera, CDocument)

namespace {

// Holds the refills of the document's list grids for one load or save. A save changes
// nothing the grids show (the change that caused it refills them itself), so its requests
// are dropped; a load fills each grid once, after matching, even when it fails halfway.
class GridRefillHold {
  public:
    GridRefillHold(const CDocument& doc, bool refill) : m_refill(refill) {
        for (CView* view : doc.GetViews())
            if (auto* list = dynamic_cast<CViewBaseCartera*>(view))
                if (auto* grid = dynamic_cast<CGridQBase*>(list->GetGrid()))
                    m_grids.push_back(grid);
        for (CGridQBase* grid : m_grids) grid->HoldRefills();
    }
    ~GridRefillHold() {
        for (CGridQBase* grid : m_grids) grid->ReleaseRefills(m_refill);
    }
    GridRefillHold(const GridRefillHold&) = delete;
    GridRefillHold& operator=(const GridRefillHold&) = delete;

  private:
    std::vector<CGridQBase*> m_grids;
    bool m_refill;
};

}  // namespace

bool CDocCartera::OnNewDocument() {
    CDlgNombreCartera dlg(nullptr);
    if (dlg.DoModal() != IDOK) return false;
    if (!CDocument::OnNewDocument()) return false;
    std::string extension;
    if (!GetDocTemplate() || !GetDocTemplate()->GetDocString(extension, CDocTemplate::filterExt))
        return false;  // abandoned without a message
    std::string path = GetPMngFullPath(ORVO_PATH_PORTFOLIOS) + dlg.GetName() + extension;
    // A portfolio open in a window stays that window's: it comes forward instead of being
    // emptied under it.
    if (CDocument* open = GetDocTemplate()->FindDocument(path); open && open != this) {
        if (CMDIChildWnd* frame = GetDocTemplate()->FindFrame(open)) frame->ActivateFrame();
        return false;
    }
    if (File(path) && AfxMessageBox(LS(3458), MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    SetPathName(path);
    if (!DoSave(path, true)) return false;
    m_bCreatedAsNew = 1;
    return true;
}

CSistemaCartera* CDocCartera::GetLedger() const {
    CView* view = GetFirstView();
    auto* frame = view ? dynamic_cast<CChildFrmCartera*>(view->GetParentFrame()) : nullptr;
    return frame ? frame->GetAdmCartera() : nullptr;
}

void CDocCartera::Serialize(CArchive& ar) {
    GridRefillHold hold(*this, ar.IsLoading());
    if (CSistemaCartera* ledger = GetLedger()) {
        m_versionMarkRead = false;
        cartera::SerializePortfolio(ar, *ledger, &m_versionMarkRead);
    } else if (ar.IsStoring()) {  // no view: the envelope alone
        ar.WriteString("");
        CVersionInfo(ar, this, 1, 0).Mark();
        ar.WriteString("");
    } else {
        ar.ReadString();
        m_versionMarkRead = CVersionInfo(ar, this, 1, 0).IsMark();
        ar.ReadString();
    }
    UpdateAllViews(nullptr, 0, nullptr);
}

bool CDocCartera::OnCloseObject() {
    if (!m_bCreatedAsNew) return true;
    return CDocument::OnCloseObject();
}

void CDocCartera::DoFileSave() {
    if (!GetPathName().empty()) DoSave(GetPathName(), true);
}

std::string CDocCartera::DescribeLoadError(const CArchiveException& e, size_t position) const {
    if (!m_versionMarkRead) return LS(40034);
    std::string text = LS(40035);
    return text.replace(text.find("%1"), 2, CDocument::DescribeLoadError(e, position));
}
