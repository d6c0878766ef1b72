#pragma once
// The portfolio document. It holds no portfolio data: the ledger belongs to the frame and is
// reached through the first view. It names and creates new portfolio files, and wraps the
// ledger's body in the file envelope when the portfolio is written or read.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/document.h"
#include "host/env.h"
#include "model/links.h"
#include "model/portfolio_file.h"
#include "model/undo_history.h"

class CSistemaCartera;

namespace cartera {
class FileLock;
}

class CDocCartera : public CDocument, public ILedgerDocument {
    DECLARE_DYNCREATE(CDocCartera)

  public:
    // The host's object-type code of a portfolio.
    static constexpr int kObjectType = 12;

    CDocCartera();
    ~CDocCartera() override;

    // Asks the name (and the currency, if any), builds the path in the portfolio folder, asks
    // before overwriting an existing file and saves an empty portfolio there at once. False when
    // any step fails.
    bool OnNewDocument() override;
    // Opens the file; what loading it warns of (cartera::LoadWarnings) is shown in one
    // message.
    bool OnOpenDocument(const std::string& path) override;
    // The envelope and the ledger's body, then every view updates. Archive errors propagate.
    void Serialize(CArchive& ar) override;
    int GetObjectType(int kind) const override { return kObjectType; }
    // Keeps the grids' layouts first (SaveLayoutsIfChanged), so a window closed, or the
    // workstation quit, after only resizing or sorting columns opens the same next time.
    bool OnCloseObject() override;
    // When the grids' column widths, order or sort differ from what the file holds, appends
    // them to the file as one record under its lock (waiting up to waitMs for it). Nothing
    // when the window holds an unsaved change (closing asks about it) or another program
    // changed the file since (its change wins over widths). False when a write was due and
    // did not happen.
    bool SaveLayoutsIfChanged(int waitMs = cartera::kLockWaitMs);

    // ILedgerDocument. Before a change the portfolio file's lock is taken (other writers
    // wait until the change is saved) and, when another program changed the file since this
    // window read or wrote it, the file is read again so the change goes onto what it
    // holds. A change held unsaved is never dropped for that: the save is then refused.
    void BeginChange() override;
    void EndChange() override;
    // Saves the journal whole, keeping the version it replaces as the backup. When that
    // fails (or was refused) a message names the file and the cause; the change stays in
    // the window and the document is marked modified, for File › Save.
    void DoFileSave() override;
    // Edit › Undo and Redo: the file's last step taken back (put back), as cartera-cli
    // restore does, saved at once as one change. When another program changed the file
    // meanwhile, the file is read again first (with the steps it keeps), and nothing is
    // undone. False when nothing was undone (redone); a lock not taken in time is reported.
    bool Undo() { return UndoOrRedo(false); }
    bool Redo() { return UndoOrRedo(true); }
    const UndoHistory& History() const { return m_store->History(); }
    // Saves the change just made as one record at the file's end (the store decides when
    // the file is written whole instead); failures as DoFileSave. The modified mark stays
    // until the file holds what the window shows.
    void SaveChange(const JournalChange& change) override;
    // Whether the file differs from what this window last read or wrote (its size,
    // modification time or identity).
    bool IsFileChangedOutside() const override;
    // Under the file's lock; asks before replacing a file another program changed.
    bool OnFileSave() override;
    // Reads the file and its log again when another program changed them, unless this window
    // holds an unsaved change or a dialog is open (it may point into the ledger). Cheap while
    // their sizes and modification times stay; a file that cannot be read is left for the
    // next change to report.
    void RefreshIfChangedOutside();
    // Under the file's lock, keeping the replaced version as the backup.
    bool OnSaveDocument(const std::string& path) override;
    void UpdateAllViews() override { CDocument::UpdateAllViews(nullptr, 0, nullptr); }
    using CDocument::UpdateAllViews;
    std::string GetTitle() const override { return CDocument::GetTitle(); }
    void SetTitle(const std::string& title) override { CDocument::SetTitle(title); }

    // Names the currency of a portfolio that has none (code: three capitals) and saves the
    // portfolio whole, as naming it changes what the journal means. Refused, and said why,
    // once a currency is named (by another program too). False when nothing was named.
    bool NameCurrency(const std::string& code);

    // 1 once this run created the portfolio's file.
    int IsCreatedAsNew() const { return m_bCreatedAsNew; }
    // The frame's ledger, through the first view; null without views.
    CSistemaCartera* GetLedger() const;
    // The portfolio's file as this window reads and saves it.
    const cartera::PortfolioStore& Store() const { return *m_store; }
    // The store then reads and writes through ctx's file system.
    void SetContext(const cartera::Context& ctx) override;

  protected:
    std::string DescribeLoadError(const CArchiveException& e, size_t position) const override;
    // Every save keeps the version it replaces as the command line's does.
    std::string BackupPathFor(const std::string& path) const override;

  private:
    // After a successful read or write of path: remembers its disk state; the document is
    // unmodified when the file holds what the window shows.
    void NoteInStep(const std::string& path);
    // Tells why a change was not saved and marks the document modified.
    void ReportUnsaved(const std::string& path, const std::string& why);
    // Saves to path; the caller holds the file's lock or none is held (it is then taken).
    // With an empty backup the backup is left alone.
    [[nodiscard]] cartera::Status SaveLocked(const std::string& path, const std::string& backup);
    // Reads the file again into the ledger; when it cannot be read the ledger gets back
    // what it held, and the failure says why.
    [[nodiscard]] cartera::Status Reload();
    bool UndoOrRedo(bool redo);

    int m_bCreatedAsNew = 0;
    // Holds the lock through one change or save; made on the context's file system (the
    // template sets it before any file is read).
    std::unique_ptr<cartera::PortfolioStore> m_store;
    std::string m_loadPath;               // the file being read
    std::vector<std::string> m_warnings;  // what the last load warned of
    bool m_diskKnown = false;
    cartera::FileState m_refreshed;  // the file as the last refresh found it
    std::string m_changeRefused;     // why the change being made must not be saved
    bool m_versionMarkRead = false;  // the last load found the version record
    std::string m_fileLayouts;       // the grid layouts as last read from or written to the file
};
