#pragma once
// One open portfolio file, the one way the command line and the workstation read and save
// it. The file is its base (the journal as last written whole) and the records appended
// since (model/change_log.h): a change appends one record and syncs it, a checkpoint writes
// the file whole. The store holds the file's lock, knows whether the file holds what the
// ledger holds, and keeps the steps restore and undo go back through.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/env.h"
#include "host/error.h"
#include "model/change_log.h"
#include "model/journal_change.h"
#include "model/undo_history.h"

class CSistemaCartera;

namespace cartera {

// Where a save keeps the version a whole write replaces: "NAME.cartera.bak" beside the file
// (beside the target, for a symbolic link).
std::string BackupPath(Env& env, const std::string& path);

class PortfolioStore {
  public:
    // Reads, writes and locks its files through env (not owned, outlives the store).
    explicit PortfolioStore(Env* env);
    ~PortfolioStore();
    PortfolioStore(const PortfolioStore&) = delete;
    PortfolioStore& operator=(const PortfolioStore&) = delete;

    // Takes path's lock (shared to read, exclusive to change), waiting up to waitMs for
    // another writer, and holds it until Unlock or the store goes; one held before is let go
    // first. A failure naming the file when it stays taken or cannot be made.
    [[nodiscard]] Status Lock(const std::string& path, LockMode mode, int waitMs = kLockWaitMs);
    void Unlock() { m_lock.reset(); }
    // The file system the store reads and writes through.
    Env& FileSystem() const { return *m_env; }
    bool Locked() const { return m_lock != nullptr; }

    // Reads path into ledger: the base, then every record (keeping the steps for restore
    // when keepHistory), then the after-loading process. A file of an earlier version is
    // read with the change log it kept beside it. Throws Error naming the file: the file
    // layer's kind when it cannot be read or another program cut it short while it was
    // read (io), damaged when it is not sound (a damaged record named by its byte offset);
    // the ledger then holds what was read. A last record cut short is left out with a
    // warning added to *warnings.
    void Load(const std::string& path, CSistemaCartera& ledger, std::vector<std::string>* warnings,
              bool keepHistory = true);
    // Load of the file's bytes data, read from path by the caller. *isPortfolio (if given)
    // tells whether the version record was found; the base's archive errors propagate.
    void LoadBytes(const std::string& path, std::string_view data, CSistemaCartera& ledger,
                   std::vector<std::string>* warnings, bool* isPortfolio = nullptr);
    // Prepares to append changes to path without reading its journal (only checking it):
    // ledger (empty) gets the last-id counter and active tab the file ends with. False,
    // with nothing taken, when the file cannot be appended to that way (an earlier version,
    // a base or records that are damaged, records due for a checkpoint, a file that cannot
    // be read). Until the next Load,
    // SaveChange then only appends: a change that needs the file written whole fails and
    // WholeNeeded() says so. A last record cut short is left out with a warning.
    bool OpenForAppend(const std::string& path, CSistemaCartera& ledger,
                       std::vector<std::string>* warnings);
    bool WholeNeeded() const { return m_wholeNeeded; }

    // Checkpoint: writes the ledger's journal whole with the steps kept for restore, into
    // the kept buffer and then to path atomically, keeping the replaced version at backup
    // (unless empty). A failure when it was not written: the old file and its backup are
    // then intact, and the next save is whole again.
    [[nodiscard]] Status SaveWhole(const std::string& path, CSistemaCartera& ledger,
                                   const std::string& backup);
    // Saves change, just made in ledger, as one record appended to path and synced, and
    // keeps it as a step. A SaveWhole (keeping the backup) instead when the records since
    // the last checkpoint would pass 1/16 of the file (at least 64 KiB), the file is of an
    // earlier version, or the file does not hold what the ledger held before the change (a
    // save failed or was refused since the last load or save). A failure when the change
    // was not saved.
    [[nodiscard]] Status SaveChange(const std::string& path, CSistemaCartera& ledger,
                                    const JournalChange& change);
    // Appends the ledger's grid layouts as one record (the caller knows they changed);
    // nothing while the file does not hold what the ledger holds (the unsaved change goes
    // first). A failure when they were not saved.
    [[nodiscard]] Status SaveLayouts(const std::string& path, CSistemaCartera& ledger);
    // A change the document could not save (the file was locked, or changed outside under
    // an unsaved one): kept as a step, and the next save writes the file whole.
    void ChangeNotSaved(const JournalChange& change);

    // Takes back the last step (or puts back the one last taken back) through the ledger,
    // whose document saves it here as one record; false when there is none. Whether it was
    // saved is the document's to report, as for any change.
    bool TakeBack(CSistemaCartera& ledger);
    bool PutBack(CSistemaCartera& ledger);
    const UndoHistory& History() const { return m_history; }

    // Whether the file holds what the ledger holds, as of the last load or save.
    bool InStep() const { return m_inStep; }
    // Whether the last load read a change log an earlier version kept beside the file, which
    // a whole write folds in.
    bool EarlierLogRead() const { return m_legacyLog; }
    // Whether what path names differs (size, time or identity) from what this store last
    // read or wrote; true when it cannot be looked at.
    bool ChangedOutside(const std::string& path) const;
    // Remembers what path names now as read or written by this store.
    void NoteDisk(const std::string& path);

    // The records' bytes and count after the base (the checkpoint's history record not
    // counted); 0 when the base alone holds the journal.
    uint64_t RecordBytes() const { return m_sinceHistory; }
    size_t RecordCount() const { return m_recordCount; }
    // The kept buffer, for tests that count allocations.
    const std::string& Buffer() const { return m_buffer; }

  private:
    void LoadFileAndRecords(const std::string& path, std::string_view data, CSistemaCartera& ledger,
                            std::vector<std::string>* warnings, bool keepHistory,
                            bool* isPortfolio);
    // Takes in what the records after the base at baseEnd say of the file.
    void NoteRecords(const Records& records, size_t baseEnd, const std::string& path,
                     std::vector<std::string>* warnings);
    Status Append(const std::string& path, std::string_view record, size_t journalSize);
    bool DueForCheckpoint(size_t more) const;

    Env* m_env;
    std::unique_ptr<FileLock> m_lock;
    UndoHistory m_history;
    RecordType m_nextType = RecordType::step;  // of the change being saved
    std::string m_buffer;                      // the whole file's bytes, kept between saves
    std::string m_record;                      // a change's record, kept between changes
    bool m_inStep = false;                     // the file holds what the ledger holds
    bool m_appendOnly = false;                 // the journal was not read: no whole writes
    bool m_wholeNeeded = false;
    bool m_legacyLog = false;  // a change log of an earlier version is beside the file
    bool m_olderVersion =
        false;                // the file is of an earlier version: the next save writes it whole
    uint64_t m_appendAt = 0;  // where the next record goes; 0 until a base is known
    uint64_t m_baseSize = 0;
    uint64_t m_sinceHistory = 0;  // record bytes after the base and its history
    size_t m_recordCount = 0;
    size_t m_journalSize = 0;  // movements the file holds
    FileState m_disk;          // what the path named when this store last read or wrote it
};

}  // namespace cartera
