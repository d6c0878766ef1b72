#include "window/doc_cartera.h"

#include <QApplication>

#include "dialogs/dlg_nombre_cartera.h"
#include "framework/doc_template.h"
#include "framework/frame.h"
#include "framework/view.h"
#include "host/archive.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/message_box.h"
#include "host/strings.h"
#include "host/version_info.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
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

CDocCartera::CDocCartera() = default;
CDocCartera::~CDocCartera() = default;

void CDocCartera::SetContext(const cartera::Context& ctx) {
    CDocument::SetContext(ctx);
    m_store = std::make_unique<cartera::PortfolioStore>(ctx.env);
}

bool CDocCartera::OnNewDocument() {
    CDlgNombreCartera dlg(nullptr);
    if (dlg.DoModal() != IDOK) return false;
    if (!CDocument::OnNewDocument()) return false;
    std::string extension;
    if (!GetDocTemplate() || !GetDocTemplate()->GetDocString(extension, CDocTemplate::filterExt))
        return false;  // abandoned without a message
    std::string path =
        GetPMngFullPath(GetContext(), ORVO_PATH_PORTFOLIOS) + dlg.GetName() + extension;
    // A portfolio open in a window stays that window's: it comes forward instead of being
    // emptied under it.
    if (CDocument* open = GetDocTemplate()->FindDocument(path); open && open != this) {
        if (CMDIChildWnd* frame = GetDocTemplate()->FindFrame(open)) frame->ActivateFrame();
        return false;
    }
    if (File(GetContext(), path) && AfxMessageBox(LS(3458), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    SetPathName(path);
    // Named before the first save, so the new file holds it from the start.
    if (CSistemaCartera* ledger = GetLedger()) ledger->SetCurrency(dlg.GetCurrency());
    if (!DoSave(path, true)) return false;
    m_bCreatedAsNew = 1;
    return true;
}

bool CDocCartera::OnOpenDocument(const std::string& path) {
    m_loadPath = path;
    m_warnings.clear();
    // Exclusive, so a file of an earlier version is written in this one's layout at once.
    (void)m_store->Lock(path, cartera::LockMode::exclusive);
    const bool opened = CDocument::OnOpenDocument(path);
    CSistemaCartera* ledger = GetLedger();
    if (opened && ledger && m_store->Locked() && m_store->EarlierLogRead())
        (void)m_store->SaveWhole(path, *ledger, cartera::BackupPath(m_store->FileSystem(), path));
    m_store->Unlock();
    if (!opened) return false;
    NoteInStep(path);
    std::vector<std::string> warnings = m_warnings;
    if (ledger) {
        std::vector<std::string> dividends = cartera::LoadWarnings(path, *ledger);
        warnings.insert(warnings.end(), dividends.begin(), dividends.end());
    }
    // A handful names the movements; more would make a message no one reads.
    constexpr size_t kShown = 10;
    std::string text;
    for (size_t i = 0; i < warnings.size() && i < kShown; ++i)
        text += (i ? "\n" : "") + warnings[i];
    if (warnings.size() > kShown) text += "\n…";
    if (!text.empty()) AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    return true;
}

CSistemaCartera* CDocCartera::GetLedger() const {
    CView* view = GetFirstView();
    auto* frame = view ? dynamic_cast<CChildFrmCartera*>(view->GetParentFrame()) : nullptr;
    return frame ? frame->GetAdmCartera() : nullptr;
}

void CDocCartera::Serialize(CArchive& ar) {
    GridRefillHold hold(*this, ar.IsLoading());
    if (CSistemaCartera* ledger = GetLedger(); ledger && ar.IsLoading()) {
        m_versionMarkRead = false;
        const std::string_view data = ar.ReadView(ar.Remaining());
        try {  // the file, then its change log
            m_store->LoadBytes(m_loadPath.empty() ? GetPathName() : m_loadPath, data, *ledger,
                               &m_warnings, &m_versionMarkRead);
        } catch (const CArchiveException&) {
            throw;
        } catch (const cartera::Error& e) {
            throw CArchiveException(CArchiveException::badFormat, e.what());
        }
        m_fileLayouts = ledger->LayoutBytes();
    } else if (ledger) {
        cartera::SerializePortfolio(ar, *ledger);
        m_fileLayouts = ledger->LayoutBytes();
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
    // A layout that cannot be written is not worth keeping the window open for.
    SaveLayoutsIfChanged();
    if (!m_bCreatedAsNew) return true;
    return CDocument::OnCloseObject();
}

bool CDocCartera::SaveLayoutsIfChanged(int waitMs) {
    CSistemaCartera* ledger = GetLedger();
    const std::string path = GetPathName();
    if (!ledger || path.empty() || IsModified() || m_store->Locked()) return true;
    if (ledger->LayoutBytes() == m_fileLayouts) return true;
    const bool saved = m_store->Lock(path, cartera::LockMode::exclusive, waitMs).ok() &&
                       !IsFileChangedOutside() && m_store->SaveLayouts(path, *ledger).ok();
    m_store->Unlock();
    if (!saved) return false;  // still due
    m_fileLayouts = ledger->LayoutBytes();
    NoteInStep(path);
    return true;
}

void CDocCartera::BeginChange() {
    m_changeRefused.clear();
    const std::string path = GetPathName();
    if (path.empty() || m_store->Locked()) return;
    cartera::Status locked = m_store->Lock(path, cartera::LockMode::exclusive);
    if (!locked.ok()) {
        m_changeRefused = locked.message();
    } else if (IsFileChangedOutside()) {
        if (IsModified())
            m_changeRefused = LS(40082);
        else if (cartera::Status reloaded = Reload(); !reloaded.ok())
            m_changeRefused = cartera::FillText(LS(40086), {reloaded.message()});
    }
}

void CDocCartera::EndChange() {
    m_store->Unlock();
    m_changeRefused.clear();
}

void CDocCartera::ReportUnsaved(const std::string& path, const std::string& why) {
    ReportError(FileMessage(40080, path, why) + " " + LS(40081));
    SetModifiedFlag(1);
}

void CDocCartera::DoFileSave() {
    const std::string path = GetPathName();
    if (path.empty()) return;
    std::string why = m_changeRefused;
    if (why.empty()) {
        cartera::Status saved = SaveLocked(path, cartera::BackupPath(m_store->FileSystem(), path));
        if (saved.ok()) return;
        why = saved.message();
    }
    ReportUnsaved(path, why);
}

bool CDocCartera::NameCurrency(const std::string& code) {
    constexpr int kNamedOnce = 45024;  // "The portfolio's currency is %1 already; ..."
    CSistemaCartera* ledger = GetLedger();
    if (!ledger || code.empty()) return false;
    BeginChange();  // what another program saved comes in first
    const std::string named = ledger->GetCurrency();
    if (named.empty()) {
        ledger->SetCurrency(code);
        DoFileSave();
    }
    EndChange();
    if (!named.empty())
        AfxMessageBox(cartera::FillText(LS(kNamedOnce), {named}), MB_OK | MB_ICONEXCLAMATION);
    return named.empty();
}

void CDocCartera::SaveChange(const JournalChange& change) {
    CSistemaCartera* ledger = GetLedger();
    const std::string path = GetPathName();
    if (!ledger || path.empty()) return DoFileSave();
    if (!m_changeRefused.empty()) {
        m_store->ChangeNotSaved(change);
        return ReportUnsaved(path, m_changeRefused);
    }
    const bool ownLock = !m_store->Locked();
    cartera::Status saved;
    if (ownLock) saved = m_store->Lock(path, cartera::LockMode::exclusive);
    if (saved.ok()) {
        saved = m_store->SaveChange(path, *ledger, change);
    } else {
        m_store->ChangeNotSaved(change);
    }
    if (ownLock) m_store->Unlock();
    if (saved.ok()) {
        if (m_store->RecordCount() == 0) m_fileLayouts = ledger->LayoutBytes();  // written whole
        NoteInStep(path);
        return;
    }
    ReportUnsaved(path, saved.message());
}

bool CDocCartera::UndoOrRedo(bool redo) {
    CSistemaCartera* ledger = GetLedger();
    if (!ledger || !(redo ? History().CanRedo() : History().CanUndo())) return false;
    BeginChange();  // reads another program's change first, with the steps the file keeps
    bool done = false;
    if (!m_changeRefused.empty())
        ReportError(FileMessage(40080, GetPathName(), m_changeRefused));
    else
        done = redo ? m_store->PutBack(*ledger) : m_store->TakeBack(*ledger);
    EndChange();
    return done;
}

bool CDocCartera::OnFileSave() {
    const std::string path = GetPathName();
    if (path.empty()) return false;
    cartera::Status locked = m_store->Lock(path, cartera::LockMode::exclusive);
    bool saved = false;
    if (!locked.ok())
        ReportError(FileMessage(40080, path, locked.message()));
    else if (!IsFileChangedOutside() || AfxMessageBox(cartera::FillText(LS(40083), {path}),
                                                      MB_YESNO | MB_ICONQUESTION) == IDYES)
        saved = DoSave(path, true);
    m_store->Unlock();
    return saved;
}

void CDocCartera::RefreshIfChangedOutside() {
    const std::string path = GetPathName();
    if (path.empty() || m_store->Locked() || IsModified() || QApplication::activeModalWidget())
        return;
    if (!m_diskKnown) return;
    // A sort or a column moved is kept at once, so a kill does not lose it; a writer at
    // work is not waited for (the next tick tries again).
    SaveLayoutsIfChanged(0);
    cartera::FileState now;
    (void)m_store->FileSystem().GetFileState(path, &now);
    if (!m_store->ChangedOutside(path) || now == m_refreshed) return;  // failed reads wait
    if (!m_store->Lock(path, cartera::LockMode::exclusive, 0).ok())
        return;  // another writer is at it: the next tick looks again
    m_refreshed = now;
    if (IsFileChangedOutside()) (void)Reload();  // a failure keeps what was held
    m_store->Unlock();
}

bool CDocCartera::OnSaveDocument(const std::string& path) {
    cartera::Status saved = SaveLocked(path, cartera::BackupPath(m_store->FileSystem(), path));
    if (saved.ok()) return true;
    ReportError(FileMessage(40080, path, saved.message()));
    return false;
}

cartera::Status CDocCartera::SaveLocked(const std::string& path, const std::string& backup) {
    const bool ownLock = !m_store->Locked();
    if (ownLock) {
        cartera::Status locked = m_store->Lock(path, cartera::LockMode::exclusive);
        if (!locked.ok()) return locked;
    }
    CSistemaCartera* ledger = GetLedger();
    cartera::Status saved =
        ledger ? m_store->SaveWhole(path, *ledger, backup) : WriteDocument(path);
    if (ownLock) m_store->Unlock();
    if (!saved.ok() || !ledger) return saved;
    m_fileLayouts = ledger->LayoutBytes();
    NoteInStep(path);
    return saved;
}

void CDocCartera::NoteInStep(const std::string& path) {
    m_store->NoteDisk(path);
    (void)m_store->FileSystem().GetFileState(path, &m_refreshed);
    m_diskKnown = true;
    ClearLastError();
    // A window without a ledger saves through the framework, which is in step when it did.
    SetModifiedFlag(GetLedger() && !m_store->InStep() ? 1 : 0);
}

bool CDocCartera::IsFileChangedOutside() const {
    if (!m_diskKnown) return CDocument::IsFileChangedOutside();
    return m_store->ChangedOutside(GetPathName());
}

std::string CDocCartera::BackupPathFor(const std::string& path) const {
    return cartera::BackupPath(m_store->FileSystem(), path);
}

cartera::Status CDocCartera::Reload() {
    CSistemaCartera* ledger = GetLedger();
    if (!ledger) return ReadDocument(GetPathName());
    std::string held;
    CArchive out(&held);
    cartera::SerializePortfolio(out, *ledger);
    ledger->UnregisterAll();  // loading registers what it reads
    // The window's column widths, order and sort stay: another program's change is to the
    // journal, and the user sorted this window after the file's layouts were written.
    std::vector<std::pair<CGridQBase*, std::string>> layouts;
    for (CView* view : GetViews())
        if (auto* list = dynamic_cast<CViewBaseCartera*>(view))
            if (auto* grid = dynamic_cast<CGridQBase*>(list->GetGrid())) {
                CArchive kept(&layouts.emplace_back(grid, std::string()).second);
                grid->Serialize(kept);
            }
    m_loadPath = GetPathName();
    cartera::Status read = ReadDocument(GetPathName());
    if (read.ok()) {
        NoteInStep(GetPathName());
        for (auto& [grid, bytes] : layouts) {
            CArchive kept{std::string_view(bytes)};
            grid->Serialize(kept);
        }
        UpdateAllViews(nullptr, 0, nullptr);  // refilled in the kept order
        return read;
    }
    // A load that fails registers nothing; the one of what was held registers it again.
    CArchive in{std::string_view(held)};
    cartera::SerializePortfolio(in, *ledger);
    UpdateAllViews(nullptr, 0, nullptr);
    return read;
}

std::string CDocCartera::DescribeLoadError(const CArchiveException& e, size_t position) const {
    if (!m_versionMarkRead) return LS(40034);
    return cartera::FillText(LS(40035), {CDocument::DescribeLoadError(e, position)});
}
