#pragma once
// A portfolio file on disk: the envelope (two empty strings around a version record) and
// the ledger's body, read whole and written atomically. The headless document of the
// command line and of tests; the workstation's document uses the same envelope.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/env.h"
#include "host/error.h"
#include "model/change_log.h"
#include "model/links.h"

class CArchive;
class CSistemaCartera;

namespace cartera {

class FileLock;

// Writes or reads the envelope around the ledger's body. Archive errors propagate.
// When loading, *isPortfolio (if given) tells whether the version record was found. *sum
// (if given) gets the body's CRC-32C when storing, and when loading a file that holds one.
void SerializePortfolio(CArchive& ar, CSistemaCartera& ledger, bool* isPortfolio = nullptr,
                        std::optional<uint32_t>* sum = nullptr);

// The one way both programs read and write a portfolio: its file, then its change log
// (model/change_log.h). The caller holds the file's lock.
class PortfolioStore {
  public:
    // Reads path into ledger, replays its log and runs the after-loading process. Throws
    // Error naming the file: the file layer's kind when it cannot be read, damaged when the
    // file or the log is not sound (a damaged log record named by its byte offset); the
    // ledger then holds what was read. A torn last record of the log is dropped with a
    // warning added to *warnings. With withoutLastChange the log's last change is left out.
    void Load(const std::string& path, CSistemaCartera& ledger, std::vector<std::string>* warnings,
              bool withoutLastChange = false);
    // Load of the file's bytes data, read from path by the caller. The file's archive errors
    // propagate as they are (*isPortfolio as SerializePortfolio); the log's name the log.
    void LoadBytes(const std::string& path, std::string_view data, CSistemaCartera& ledger,
                   std::vector<std::string>* warnings, bool withoutLastChange = false,
                   bool* isPortfolio = nullptr);
    // Checkpoint: serialises the whole ledger into the kept buffer with its checksum, writes
    // it to path atomically, keeping the replaced version at backup (unless empty), then
    // empties the log. A failure when the file was not written; the old file, its backup
    // and its log are then intact.
    [[nodiscard]] Status SaveWhole(const std::string& path, CSistemaCartera& ledger,
                                   const std::string& backup);
    // Prepares to append changes to path's log without reading its journal: ledger (empty)
    // gets the last-id counter and active tab of the file and its log. False, with nothing
    // taken from them, when the file cannot be appended to that way: no CRC-32C in its
    // header, a log that is torn, stale or damaged, or one that cannot be read. Until the
    // next Load, SaveChange then only appends: a change that needs the file written whole
    // fails and WholeNeeded() says so.
    bool OpenForAppend(const std::string& path, CSistemaCartera& ledger);
    bool WholeNeeded() const { return m_wholeNeeded; }
    // Records one journal change: one record appended to the log and synced. A SaveWhole
    // (keeping the backup) instead when the log would pass 1/16 of the file (at least 64 KiB),
    // when the file has no CRC-32C to name it by, or after a failed save or a torn or stale
    // log. A failure when the change was not saved.
    [[nodiscard]] Status SaveChange(const std::string& path, CSistemaCartera& ledger,
                                    const LogChange& change);
    // The log's bytes as this store last read or wrote them; 0 when the file alone holds the
    // journal. Changes: the records after the base.
    uint64_t LogBytes() const { return m_logBytes; }
    size_t LogChanges() const { return m_logChanges; }
    // The kept buffer's address and size of allocation, for tests that count allocations.
    const std::string& Buffer() const { return m_buffer; }

  private:
    void LoadFileAndLog(const std::string& path, std::string_view data, CSistemaCartera& ledger,
                        std::vector<std::string>* warnings, bool withoutLastChange,
                        bool* isPortfolio);

    std::string m_buffer;              // the whole file's bytes, kept between saves
    std::string m_record;              // a change's record, kept between changes
    std::optional<FileStamp> m_stamp;  // the file as last read or written, when appendable
    bool m_appendOnly = false;         // the journal was not read: no whole writes
    bool m_wholeNeeded = false;
    uint64_t m_logBytes = 0;
    size_t m_logChanges = 0;
};

// Takes the lock every load-change-save of the portfolio file at path holds, waiting a
// little for another writer, into *lock; a failure naming the file when it stays taken.
Status LockPortfolioFile(const std::string& path, std::unique_ptr<FileLock>* lock);
// What a sound file loaded into ledger warns of, one line each in the interface language:
// each dividend on no shares or fewer (it counts as 0), naming path and the movement's id,
// date and code.
std::vector<std::string> LoadWarnings(const std::string& path, const CSistemaCartera& ledger);

// Where a save keeps the version it replaces: "NAME.cartera.bak" beside the file (beside
// the target, for a symbolic link).
std::string BackupPath(const std::string& path);

class PortfolioDocument : public ILedgerDocument {
  public:
    // Links itself to the ledger (not owned; must outlive the document).
    explicit PortfolioDocument(CSistemaCartera* ledger);
    ~PortfolioDocument() override;

    // Reads the file into the ledger. A failure names the file and what is wrong: the
    // file layer's kind when it cannot be read, damaged when it is not a sound portfolio;
    // the ledger then holds what was read. What it warns of is kept in Warnings().
    [[nodiscard]] Status Load(const std::string& path);
    // Makes path the document's for changes appended without reading the journal
    // (PortfolioStore::OpenForAppend); false when that cannot be done.
    bool OpenForAppend(const std::string& path);
    // Writes the whole ledger to the document's path and empties the change log; kept
    // backup as SaveAs.
    [[nodiscard]] Status Compact();
    // Writes the ledger to path (and makes it the document's path), keeping the version
    // it replaces at BackupPath(path) in the same step. On a failure (its kind also in
    // LastSaveErrorKind()) the old file and its backup are intact.
    [[nodiscard]] Status SaveAs(const std::string& path);

    // ILedgerDocument: saves to the current path (a change as one record of the log); a
    // failure is kept in LastSaveError().
    void DoFileSave() override;
    void SaveChange(const LogChange& change) override;
    void UpdateAllViews() override;
    std::string GetTitle() const override { return m_title; }
    void SetTitle(const std::string& title) override { m_title = title; }

    const std::string& GetPathName() const { return m_path; }
    // Empty when every save so far succeeded; else the last failure.
    const std::string& LastSaveError() const { return m_saveError; }
    ErrorKind LastSaveErrorKind() const { return m_saveErrorKind; }
    int SaveCount() const { return m_saves; }
    PortfolioStore& Store() { return m_store; }
    // LoadWarnings of the last Open.
    const std::vector<std::string>& Warnings() const { return m_warnings; }
    // Called on every update of the views.
    void SetOnUpdate(std::function<void()> onUpdate) { m_onUpdate = std::move(onUpdate); }

  private:
    // Load's work, throwing its failure as Error.
    void LoadChecked(const std::string& path);

    CSistemaCartera* m_ledger;
    std::string m_path;
    std::string m_title;
    std::string m_saveError;
    ErrorKind m_saveErrorKind = ErrorKind::io;
    int m_saves = 0;
    std::vector<std::string> m_warnings;
    PortfolioStore m_store;
    std::function<void()> m_onUpdate;
};

}  // namespace cartera
