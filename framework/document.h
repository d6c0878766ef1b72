#pragma once
// The document of the document/view framework: a file's path and title, a modified flag, the
// views that show it, and the open/save steps that run its Serialize on an archive. Files
// are read whole and written atomically through the file system of its context.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/runtime_class.h"
#include "host/context.h"
#include "host/error.h"

class CArchive;
class CArchiveException;
class CDocTemplate;
class CView;

class CDocument : public CObject {
    DECLARE_DYNAMIC(CDocument)

  public:
    CDocument() = default;
    // Views still attached are detached (they no longer name this document).
    ~CDocument() override;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    const std::string& GetPathName() const { return m_path; }
    // Sets the path; with addToMru the template's recent-file list hears of it.
    virtual void SetPathName(const std::string& path, bool addToMru = true);
    const std::string& GetTitle() const { return m_title; }
    // Sets the title and retitles the frames of its views.
    virtual void SetTitle(const std::string& title);

    virtual int IsModified() const { return m_modified; }
    // Sets the flag; the frames of its views show the change in their titles.
    virtual void SetModifiedFlag(int modified = 1);

    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    // The file system, home folder and clock the document works with. The template that
    // creates the document sets them before it reads or writes any file; a document made
    // otherwise has no file system until SetContext.
    const cartera::Context& GetContext() const { return m_context; }
    virtual void SetContext(const cartera::Context& ctx) { m_context = ctx; }

    // Views, in the order they were attached. AddView ignores a view already attached.
    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_views; }
    CView* GetFirstView() const { return m_views.empty() ? nullptr : m_views.front(); }
    // Calls OnUpdate of every view but sender.
    void UpdateAllViews(CView* sender, long hint = 0, CObject* hintObject = nullptr);

    // New document: clears the path and the modified flag. False fails the creation.
    virtual bool OnNewDocument();
    // Reads path through Serialize. On failure shows a message naming the file and what is
    // wrong, and returns false.
    virtual bool OnOpenDocument(const std::string& path);
    // Writes the document through Serialize, replacing path atomically. On failure shows a
    // message naming the file and returns false; the old file is then intact.
    virtual bool OnSaveDocument(const std::string& path);
    // OnSaveDocument(path); on success with replace the document takes path as its own.
    bool DoSave(const std::string& path, bool replace = true);
    // File › Save: writes the document to its own path. False (the message shown) when it
    // has none or the save fails.
    virtual bool OnFileSave();
    virtual void Serialize(CArchive& ar) {}

    // The host's object protocol: the kind of object and whether it may close now.
    virtual int GetObjectType(int kind) const { return 0; }
    virtual bool OnCloseObject() { return true; }

    // What the last failed open or save reported; empty after a success.
    const std::string& LastError() const { return m_lastError; }

    // Whether the file at the document's path differs from what this document last read
    // from it or wrote to it (its size or a checksum of its bytes), or can no longer be
    // read. False for a document that has not read or written its file.
    virtual bool IsFileChangedOutside() const;

  protected:
    // Reads path through Serialize without a message: a failure says what is wrong (the
    // file is not named when it is damaged). On success the file counts as this document's.
    [[nodiscard]] cartera::Status ReadDocument(const std::string& path);
    // Writes the document through Serialize, replacing path atomically, without a message:
    // a failure says why (the old file is then intact). On success the document is
    // unmodified and the file counts as its own.
    [[nodiscard]] cartera::Status WriteDocument(const std::string& path);
    // Where a save keeps the version it replaces, in the same step; empty (the default)
    // for none.
    virtual std::string BackupPathFor(const std::string& path) const { return {}; }
    // The text of a read error, for the message naming the file. position is the archive's;
    // it is named unless the reader's own text already names where the file is wrong.
    virtual std::string DescribeLoadError(const CArchiveException& e, size_t position) const;
    // Shows text with MB_ICONEXCLAMATION and remembers it as LastError().
    void ReportError(const std::string& text);
    // For a document that saves by its own means: the last save succeeded.
    void ClearLastError() { m_lastError.clear(); }
    // "The file %1 ... %2" of string id with path and what filled in.
    static std::string FileMessage(int id, const std::string& path, const std::string& what);

  private:
    // Remembers bytes as the file's content this document knows.
    void RememberFile(std::string_view bytes);
    friend class CDocTemplate;

    std::string m_path;
    std::string m_title;
    std::string m_lastError;
    // The file's bytes as last read or written: their size and checksum.
    bool m_fileKnown = false;
    size_t m_fileSize = 0;
    uint64_t m_fileSum = 0;
    int m_modified = 0;
    CDocTemplate* m_pDocTemplate = nullptr;
    cartera::Context m_context;
    std::vector<CView*> m_views;
};
