#include "window/framework/document.h"

#include <algorithm>

#include "host/archive.h"
#include "host/env.h"
#include "host/message_box.h"
#include "host/strings.h"
#include "window/framework/doc_template.h"
#include "window/framework/frame.h"
#include "window/framework/view.h"

IMPLEMENT_DYNAMIC(CDocument, CObject)

namespace {
// "The file %1 cannot be read: %2" with both filled in.
std::string FileMessage(int id, const std::string& path, const std::string& what) {
    std::string text = LS(id);
    auto fill = [&](const char* mark, const std::string& value) {
        size_t at = text.find(mark);
        if (at != std::string::npos) text.replace(at, 2, value);
    };
    fill("%1", path);
    fill("%2", what);
    return text;
}
}  // namespace

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
    m_modified = 0;
    m_lastError.clear();
    return true;
}

bool CDocument::OnOpenDocument(const std::string& path) {
    std::string data, why;
    if (!cartera::CurrentEnv()->ReadFile(path, &data, &why)) {
        ReportError(FileMessage(40032, path, why));
        return false;
    }
    CArchive ar{std::string_view(data)};
    try {
        Serialize(ar);
    } catch (const CArchiveException& e) {
        ReportError(FileMessage(40032, path, DescribeLoadError(e, ar.Position())));
        return false;
    }
    m_lastError.clear();
    m_modified = 0;
    return true;
}

bool CDocument::OnSaveDocument(const std::string& path) {
    std::string data, why;
    CArchive ar(&data);
    try {
        Serialize(ar);
    } catch (const CArchiveException& e) {
        why = e.what();
    }
    if (why.empty() && cartera::CurrentEnv()->WriteFileAtomic(path, data, &why)) {
        m_lastError.clear();
        m_modified = 0;
        return true;
    }
    ReportError(path + ": " + why);
    return false;
}

bool CDocument::DoSave(const std::string& path, bool replace) {
    if (!OnSaveDocument(path)) return false;
    if (replace && path != m_path) SetPathName(path);
    return true;
}

std::string CDocument::DescribeLoadError(const CArchiveException& e, size_t position) const {
    return std::string(e.what()) + " (byte " + std::to_string(position) + ")";
}

void CDocument::ReportError(const std::string& text) {
    m_lastError = text;
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}
