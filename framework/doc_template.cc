#include "framework/doc_template.h"

#include <algorithm>

#include "framework/document.h"
#include "framework/frame.h"
#include "framework/runtime_class.h"

CDocTemplate::CDocTemplate(int menuId, const CRuntimeClass* docClass,
                           const CRuntimeClass* frameClass, const CRuntimeClass* viewClass,
                           std::string docString, cartera::Context context)
    : m_docClass(docClass),
      m_frameClass(frameClass),
      m_viewClass(viewClass),
      m_docString(std::move(docString)),
      m_context(std::move(context)) {}

CDocTemplate::~CDocTemplate() {
    for (Entry& e : m_entries) e.document->m_pDocTemplate = nullptr;
}

bool CDocTemplate::GetDocString(std::string& out, int index) const {
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = m_docString.find('\n', start);
        if (start == std::string::npos) return false;
        ++start;
    }
    std::string field = m_docString.substr(start, m_docString.find('\n', start) - start);
    if (field.empty()) return false;
    out = field;
    return true;
}

void CDocTemplate::AddToRecentFileList(const std::string& path) {
    if (m_recent && !path.empty()) m_recent(path);
}

CDocument* CDocTemplate::CreateNewDocument() {
    std::unique_ptr<CDocument> doc =
        CreateObjectAs<CDocument>(m_docClass, RUNTIME_CLASS(CDocument));
    if (!doc) return nullptr;
    doc->m_pDocTemplate = this;
    doc->SetContext(m_context);
    m_entries.push_back({std::move(doc), nullptr});
    return m_entries.back().document.get();
}

CMDIChildWnd* CDocTemplate::CreateNewFrame(CDocument* document) {
    // Owned by the window system from here: the frame deletes itself when closed.
    CMDIChildWnd* frame =
        CreateObjectAs<CMDIChildWnd>(m_frameClass, RUNTIME_CLASS(CMDIChildWnd)).release();
    if (!frame) return nullptr;
    for (Entry& e : m_entries)
        if (e.document.get() == document) e.frame = frame;
    CCreateContext context{document, m_viewClass, this};
    if (!frame->LoadFrame(&context)) {
        delete frame;  // takes the document with it
        return nullptr;
    }
    return frame;
}

CDocument* CDocTemplate::OpenDocumentFile(const std::string& path) {
    if (!path.empty()) {
        if (CDocument* open = FindDocument(path)) {
            if (CMDIChildWnd* frame = FindFrame(open)) frame->ActivateFrame();
            return open;
        }
    }
    CDocument* doc = CreateNewDocument();
    if (!doc) return nullptr;
    CMDIChildWnd* frame = CreateNewFrame(doc);
    if (!frame) {
        OnFrameDestroyed(nullptr, doc);  // a frame that failed before any view existed
        return nullptr;
    }
    bool ok = path.empty() ? doc->OnNewDocument() : doc->OnOpenDocument(path);
    if (!ok) {
        delete frame;
        return nullptr;
    }
    if (!path.empty()) doc->SetPathName(path);
    if (m_host) m_host(frame);
    frame->InitialUpdateFrame(doc, true);
    frame->ActivateFrame();
    return doc;
}

std::vector<CDocument*> CDocTemplate::GetDocuments() const {
    std::vector<CDocument*> docs;
    for (const Entry& e : m_entries) docs.push_back(e.document.get());
    return docs;
}

CDocument* CDocTemplate::FindDocument(const std::string& path) const {
    for (const Entry& e : m_entries)
        if (!path.empty() && e.document->GetPathName() == path) return e.document.get();
    return nullptr;
}

CMDIChildWnd* CDocTemplate::FindFrame(const CDocument* document) const {
    for (const Entry& e : m_entries)
        if (e.document.get() == document) return e.frame;
    return nullptr;
}

void CDocTemplate::OnFrameDestroyed(CMDIChildWnd* frame, CDocument* document) {
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [&](const Entry& e) { return e.document.get() == document; });
    if (it == m_entries.end()) return;
    if (it->frame == frame) it->frame = nullptr;
    if (!document->GetViews().empty()) return;
    std::unique_ptr<CDocument> doomed = std::move(it->document);
    m_entries.erase(it);
}
