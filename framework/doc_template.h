#pragma once
// The document template: creates a document, its frame and the frame's views from run-time
// class records, and keeps the documents it made until their frames close.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/context.h"

class CDocument;
class CMDIChildWnd;
struct CRuntimeClass;

class CDocTemplate {
  public:
    // Indexes of the document string: "\n"-separated fields.
    enum DocStringIndex {
        windowTitle = 0,
        docName = 1,
        fileNewName = 2,
        filterName = 3,
        filterExt = 4,  // the file extension with its dot
    };
    // Puts a frame on screen (an MDI area); the default shows it as a window of its own.
    using FrameHost = std::function<void(CMDIChildWnd*)>;
    using RecentFileHandler = std::function<void(const std::string& path)>;

    // The records are not owned and must outlive the template. menuId names the type's menu
    // for the registry; the template itself needs no menu. Every document it creates gets
    // context (whose file system outlives the template).
    CDocTemplate(int menuId, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                 const CRuntimeClass* viewClass, std::string docString, cartera::Context context);
    // Deletes the documents left; their frames must be gone.
    ~CDocTemplate();
    CDocTemplate(const CDocTemplate&) = delete;
    CDocTemplate& operator=(const CDocTemplate&) = delete;

    // False (out untouched) when the field is missing or empty.
    bool GetDocString(std::string& out, int index) const;
    void SetFrameHost(FrameHost host) { m_host = std::move(host); }
    void SetRecentFileHandler(RecentFileHandler handler) { m_recent = std::move(handler); }
    void AddToRecentFileList(const std::string& path);

    // Opens path, or creates a new document when path is empty: document, frame and views,
    // then OnOpenDocument or OnNewDocument; on success the frame is handed to the frame host
    // and updated. A path already open activates its frame. On failure the half-made frame
    // and document are deleted and null is returned; nothing else is touched.
    CDocument* OpenDocumentFile(const std::string& path);

    // Documents alive, in creation order.
    std::vector<CDocument*> GetDocuments() const;
    CDocument* FindDocument(const std::string& path) const;
    // The frame showing document; null when none does.
    CMDIChildWnd* FindFrame(const CDocument* document) const;

    // A frame of document lost its views: deletes the document when no view is left.
    void OnFrameDestroyed(CMDIChildWnd* frame, CDocument* document);

  private:
    CDocument* CreateNewDocument();
    CMDIChildWnd* CreateNewFrame(CDocument* document);

    const CRuntimeClass* m_docClass;
    const CRuntimeClass* m_frameClass;
    const CRuntimeClass* m_viewClass;
    std::string m_docString;
    cartera::Context m_context;
    FrameHost m_host;
    RecentFileHandler m_recent;
    struct Entry {
        std::unique_ptr<CDocument> document;
        CMDIChildWnd* frame = nullptr;
    };
    std::vector<Entry> m_entries;
};
