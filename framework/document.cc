#include "framework/document.h"

#include <algorithm>

#include "framework/doc_template.h"
#include "framework/frame.h"
#include "framework/view.h"
#include "host/archive.h"
#include "host/crc32c.h"
#include "host/env.h"
#include "host/message_box.h"
#include "host/strings.h"

IMPLEMENT_DYNAMIC(CDocument, CObject)

namespace {
uint64_t Checksum(std::string_view bytes) { return cartera::Crc32c(bytes); }
}  // namespace

std::string CDocument::FileMessage(int id, const std::string& path, const std::string& what) {
    return cartera::FillText(LS(id), {path, what});
}

CDocument::~CDocument() {
    for (CView* view : m_views) view->m_pDocument = nullptr;
}

void CDocument::SetPathName(const std::string& path, bool addToMru) {
    m_path = path;
    // Window titles and lists name the file; the folder only lengthens them.
    size_t slash = path.find_last_of("/\\");
    SetTitle(slash == std::string::npos ? path : path.substr(slash + 1));
    if (addToMru && m_pDocTemplate) m_pDocTemplate->AddToRecentFileList(path);
}

void CDocument::SetTitle(const std::string& title) {
    m_title = title;
    for (CView* view : m_views)
        if (CMDIChildWnd* frame = view->GetParentFrame()) frame->OnUpdateFrameTitle();
}

void CDocument::SetModifiedFlag(int modified) {
    int flag = modified ? 1 : 0;
    if (flag == m_modified) return;
    m_modified = flag;
    SetTitle(m_title);  // the frames show the mark
}

void CDocument::AddView(CView* view) {
    if (!view || std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
    if (view->m_pDocument && view->m_pDocument != this) view->m_pDocument->RemoveView(view);
    m_views.push_back(view);
    view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view) {
    auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end()) return;
    m_views.erase(it);
    view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, long hint, CObject* hintObject) {
    // A view may update the document's view list while it redraws; walk a copy.
    std::vector<CView*> views = m_views;
    for (CView* view : views) {
        if (view == sender || view->m_pDocument != this) continue;
        view->m_updatedByDocument = true;
        view->OnUpdate(sender, hint, hintObject);
    }
}

bool CDocument::OnNewDocument() {
    m_path.clear();
    m_fileKnown = false;
    m_modified = 0;
    m_lastError.clear();
    return true;
}

cartera::Status CDocument::ReadDocument(const std::string& path) {
    std::string data;
    if (cartera::Status read = m_context.env->ReadFile(path, &data); !read.ok()) return read;
    CArchive ar{std::string_view(data)};
    try {
        Serialize(ar);
    } catch (const CArchiveException& e) {
        return cartera::Status(cartera::ErrorKind::damaged, DescribeLoadError(e, ar.Position()));
    }
    RememberFile(data);
    m_lastError.clear();
    SetModifiedFlag(0);
    return {};
}

bool CDocument::OnOpenDocument(const std::string& path) {
    cartera::Status read = ReadDocument(path);
    if (read.ok()) return true;
    ReportError(FileMessage(40032, path, read.message()));
    return false;
}

cartera::Status CDocument::WriteDocument(const std::string& path) {
    std::string data;
    CArchive ar(&data);
    try {
        Serialize(ar);
    } catch (const CArchiveException& e) {
        return cartera::Status(cartera::ErrorKind::bug, e.what());
    }
    cartera::Status written = m_context.env->WriteFileWithBackup(path, data, BackupPathFor(path));
    if (!written.ok()) return written;
    RememberFile(data);
    m_lastError.clear();
    SetModifiedFlag(0);
    return {};
}

bool CDocument::OnSaveDocument(const std::string& path) {
    cartera::Status written = WriteDocument(path);
    if (written.ok()) return true;
    ReportError(FileMessage(40080, path, written.message()));
    return false;
}

bool CDocument::OnFileSave() {
    if (m_path.empty()) return false;
    return DoSave(m_path, true);
}

bool CDocument::IsFileChangedOutside() const {
    if (!m_fileKnown) return false;
    std::string data;
    if (!m_context.env->ReadFile(m_path, &data).ok()) return true;
    return data.size() != m_fileSize || Checksum(data) != m_fileSum;
}

void CDocument::RememberFile(std::string_view bytes) {
    m_fileKnown = true;
    m_fileSize = bytes.size();
    m_fileSum = Checksum(bytes);
}

bool CDocument::DoSave(const std::string& path, bool replace) {
    if (!OnSaveDocument(path)) return false;
    if (replace && path != m_path) SetPathName(path);
    return true;
}

std::string CDocument::DescribeLoadError(const CArchiveException& e, size_t position) const {
    // Only a file that ends early is placed by where reading stopped; other readers' texts
    // say where they found the damage, or it is in no one place (a checksum).
    std::string what = e.what();
    if (e.m_cause != CArchiveException::endOfFile || what.find(" at byte ") != std::string::npos)
        return what;
    return what + " at byte " + std::to_string(position);
}

void CDocument::ReportError(const std::string& text) {
    m_lastError = text;
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}
