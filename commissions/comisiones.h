#pragma once
// Commission schedules: named sets of brackets over the traded amount, kept in one
// commission file shared by all portfolios, and the commission they give an amount.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/context.h"
#include "host/error.h"

class CArchive;

// One bracket of a schedule.
struct stComision {
    int32_t idSchedule = -1;    // shared by the brackets of one schedule; -1 = unassigned
    int32_t bracketIndex = -1;  // position within the schedule from 0; -1 = unassigned
    int32_t kind = 0;           // 2, 4 or 8
    std::string name;           // compared exactly, case-sensitively
    int32_t isDefault = 0;      // non-zero on every record of the default schedule
    double commissionPct = 0;   // percent of the amount (kind 4), plain factor (kind 8)
    double commissionMin = 0;
    double brokeragePct = 0;
    double brokerageMin = 0;
    double from = 0;  // inclusive
    double to = 0;    // inclusive
    double royalty = 0;
    double spare1 = 0;
    double spare2 = 0;
    double unitMin = 0;
    double unitRate = 0;

    bool operator==(const stComision&) const = default;
};

using CArrayComisiones = std::vector<stComision>;

// The commission administrator: every bracket of every schedule in one ordered collection.
class CAdmComisiones {
  public:
    // The commission file of ctx's home folder, read and written through ctx's file system
    // (which outlives the administrator).
    explicit CAdmComisiones(const cartera::Context& ctx);
    virtual ~CAdmComisiones() = default;

    // Replaces the collection with the commission file's content. A missing file leaves
    // the collection as it was. A file that exists but cannot be read leaves it too and
    // sets LoadError(). A damaged file (see Serialize) sets LoadError() and throws
    // CArchiveException; the records read completely before stay.
    void Load();
    // Why the last Load failed (naming the file); empty when it succeeded.
    const std::string& LoadError() const { return m_loadError; }
    // The user chose to replace a file that could not be read whole with what was read:
    // Save writes again.
    void ClearLoadError() { m_loadError.clear(); }
    // Writes the collection to the commission file (atomically). Refused while LoadError()
    // is set, so a file that could not be read is never replaced by what little was read.
    // A failure says why, naming the file; the collection is then as it was.
    [[nodiscard]] cartera::Status Save();
    // Whether the commission file holds other bytes than this administrator last read or
    // wrote (another portfolio's editor or the command line saved since); a missing or
    // unreadable file counts as empty.
    bool FileChanged() const;
    // Takes the lock every load-change-save of the commission file holds (waiting a little
    // for another writer), into *lock; a failure naming the file when it stays taken.
    cartera::Status LockFile(std::unique_ptr<cartera::FileLock>* lock) const;
    // The file: the version record, a checksum of what follows, a 32-bit record count and
    // the records, nothing after them. Loading also takes files without the version
    // record (count and records alone), replaces the collection and keeps stored schedule
    // ids and bracket indexes as they are. It throws CArchiveException for an unknown
    // version, a checksum that does not match, a file that ends inside a record and bytes
    // after the last record; the records read whole before stay.
    virtual void Serialize(CArchive& ar);

    // The commission file: the home folder followed by "Comisiones.bin", whatever the
    // interface language (earlier versions named it per language).
    const std::string& FilePath() const { return m_path; }
    // The file system the file is read and written through.
    cartera::Env& FileSystem() const { return *m_env; }

    void Add(stComision record);
    void DeleteSchedule(const std::string& name, int32_t kind);
    int32_t FindScheduleId(const std::string& name) const;
    int32_t GetMaxBracketIndex(int32_t idSchedule) const;
    void GetBrackets(const std::string& name, int32_t kind, CArrayComisiones& out) const;
    void GetByKind(int32_t kind, CArrayComisiones& out) const;
    void GetFirstOfEachName(int32_t kind, CArrayComisiones& out) const;
    void GetScheduleNames(std::vector<std::string>& out, int32_t kind) const;
    std::string GetDefaultName() const;
    std::string GetDefaultName(int32_t kind) const;
    void SetDefault(const std::string& name);
    bool Exists(const std::string& name, int32_t kind) const;
    bool CheckBracket(const std::string& name, int32_t kind, double from, double to) const;

    // The commission of an amount under the schedule (name, kind); 0 when nothing applies.
    // Kind 4 prices an amount outside every bracket by the bracket with the greatest To,
    // tracked as a 32-bit whole number truncated toward zero; a To above 2^31 - 1
    // saturates it at 2^31 - 1, so among several brackets with such a To the last one
    // scanned wins.
    double CalculateCommission(const std::string& name, double amount, int32_t kind) const;

    const CArrayComisiones& Records() const { return m_records; }
    void RemoveAll() { m_records.clear(); }

  private:
    // The record count (when storing; when loading it was read before) and the records.
    void SerializeBody(CArchive& ar, uint32_t count = 0);
    // When the commission file is missing and one under an earlier per-language name
    // ("Commissions.", "Commissioni.bin") exists, copies it in as the commission file and
    // leaves the old one as it was, as its backup; once, since the file then exists. Load
    // does it first. An error text naming the old file when it could not be copied; empty
    // otherwise.
    std::string AdoptFileOfOtherLanguage();
    // Makes the home folder the file goes into, before it is written or locked.
    void MakeFolder() const;

    cartera::Env* m_env;
    std::string m_folder;  // the home folder, ending with '/'
    std::string m_path;
    CArrayComisiones m_records;
    std::string m_loadError;
    std::string m_fileBytes;  // the file as last read or written
};

// The administrator of ctx's commission file, loaded: LoadError() says why a file that
// exists could not be read; a damaged file throws CArchiveException (see Load).
std::unique_ptr<CAdmComisiones> LoadCommissions(const cartera::Context& ctx);
