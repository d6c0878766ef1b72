#include "model/portfolio_store.h"

#include <algorithm>

#include "host/archive.h"
#include "host/coding.h"
#include "host/crc32c.h"
#include "host/file_bytes.h"
#include "host/version_info.h"
#include "model/legacy_log.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"

namespace cartera {
namespace {

constexpr uint64_t kLeastRecords = uint64_t{64} * 1024;
// How much of the steps done and taken back a checkpoint keeps: a quarter of the journal's
// size, at least a MiB.
constexpr size_t kLeastHistory = size_t{1} << 20;

// Leaves the ledger's after-loading process to the end of a load, after the records.
class AfterLoading {
  public:
    explicit AfterLoading(CSistemaCartera& ledger) : m_ledger(ledger) {
        m_ledger.SetAfterLoading(false);
    }
    ~AfterLoading() { m_ledger.SetAfterLoading(true); }
    AfterLoading(const AfterLoading&) = delete;
    AfterLoading& operator=(const AfterLoading&) = delete;

  private:
    CSistemaCartera& m_ledger;
};

std::string TornWarning(const std::string& path, uint64_t bytes) {
    return path + ": the last change was cut off while it was written (" + std::to_string(bytes) +
           " bytes) and is left out; it was never reported as saved";
}

// The change with the places of what it adds counted from movements on: an add made on an
// empty ledger that stands for a journal of that many.
JournalChange Shifted(JournalChange change, size_t movements) {
    for (PlacedOrder& p : change.added) p.place += movements;
    return change;
}

}  // namespace

std::string BackupPath(Env& env, const std::string& path) { return env.Resolve(path) + ".bak"; }

PortfolioStore::PortfolioStore(Env* env) : m_env(env) {}
PortfolioStore::~PortfolioStore() = default;

Status PortfolioStore::Lock(const std::string& path, LockMode mode, int waitMs) {
    m_lock.reset();
    return m_env->LockFile(path, waitMs, &m_lock, mode);
}

void PortfolioStore::Load(const std::string& path, CSistemaCartera& ledger,
                          std::vector<std::string>* warnings, bool keepHistory) {
    FileState state;
    m_env->GetFileState(path, &state).ThrowIfError();
    if (state.exists && !state.regular)
        throw Error(ErrorKind::invalid_input, path + " is not a regular file");
    FileBytes data;
    m_env->ReadFileBytes(path, &data).ThrowIfError();
    bool isPortfolio = false;  // until the version record has been read
    try {
        {
            AfterLoading after(ledger);
            LoadFileAndRecords(path, data.View(), ledger, warnings, keepHistory, &isPortfolio);
        }
        if (data.CutShort()) throw Error(ErrorKind::io, "");
    } catch (const Error& e) {
        m_inStep = false;
        if (data.CutShort())
            throw Error(ErrorKind::io,
                        path + ": another program cut the file short while it was read");
        if (e.kind() != ErrorKind::damaged || dynamic_cast<const CArchiveException*>(&e) == nullptr)
            throw;
        throw Error(ErrorKind::damaged,
                    path + ": " + (isPortfolio ? e.what() : "not a portfolio file"));
    }
    // Matching needs only the movements: the file's memory goes before the trades take theirs.
    data = FileBytes();
    ledger.DoAfterLoadingProcess();
    NoteDisk(path);
}

void PortfolioStore::LoadBytes(const std::string& path, std::string_view data,
                               CSistemaCartera& ledger, std::vector<std::string>* warnings,
                               bool* isPortfolio) {
    {
        AfterLoading after(ledger);
        LoadFileAndRecords(path, data, ledger, warnings, true, isPortfolio);
    }
    ledger.DoAfterLoadingProcess();
}

void PortfolioStore::LoadFileAndRecords(const std::string& path, std::string_view data,
                                        CSistemaCartera& ledger, std::vector<std::string>* warnings,
                                        bool keepHistory, bool* isPortfolio) {
    m_inStep = m_appendOnly = m_wholeNeeded = m_legacyLog = m_olderVersion = false;
    m_appendAt = m_baseSize = m_sinceHistory = 0;
    m_recordCount = 0;
    m_history.Clear();
    CArchive ar(data);
    BaseInfo base;
    try {
        SerializePortfolio(ar, ledger, &base);
    } catch (...) {
        if (isPortfolio) *isPortfolio = base.isPortfolio;
        throw;
    }
    if (isPortfolio) *isPortfolio = true;
    m_baseSize = base.end;
    if (base.minor >= kMinorWithRecords) {
        Records records;
        try {
            records = ReadRecords(data.substr(base.end), base.end);
            ReplayRecords(records, ledger, keepHistory ? &m_history : nullptr, base.minor);
        } catch (const Error& e) {
            throw Error(ErrorKind::damaged, path + ": " + e.what());
        }
        NoteRecords(records, base.end, path, warnings);
    } else {  // an earlier version, with the changes it kept beside the file
        const std::string logPath = LegacyLogPath(*m_env, path);
        std::string log;
        if (m_env->FileExists(logPath)) m_env->ReadFile(logPath, &log).ThrowIfError();
        m_legacyLog = !log.empty();
        try {
            if (m_legacyLog && base.sum)
                ReplayLegacyLog(log, data.size(), *base.sum, ledger, warnings);
        } catch (const Error& e) {
            throw Error(ErrorKind::damaged, logPath + ": " + e.what());
        }
    }
    m_journalSize = ledger.GetOrders().size();
    m_inStep = true;
    m_olderVersion = base.minor != kCurrentMinor;
}

void PortfolioStore::NoteRecords(const Records& records, size_t baseEnd, const std::string& path,
                                 std::vector<std::string>* warnings) {
    m_appendAt = baseEnd + records.wholeBytes;
    m_recordCount = records.records.size();
    m_sinceHistory = records.wholeBytes;
    if (!records.records.empty() && records.records[0].type == RecordType::history) {
        m_sinceHistory -= kRecordHeaderBytes + records.records[0].payload.size();
        --m_recordCount;
    }
    if (records.tornTail && warnings) {
        uint64_t size = 0;
        (void)m_env->GetFileSize(path, &size);
        warnings->push_back(TornWarning(path, size > m_appendAt ? size - m_appendAt : 0));
    }
}

bool PortfolioStore::OpenForAppend(const std::string& path, CSistemaCartera& ledger,
                                   std::vector<std::string>* warnings) {
    m_inStep = false;
    m_appendOnly = true;
    m_wholeNeeded = false;
    // Mapped, so a large journal is checked, not copied: a change is never reported saved
    // into a file that would not load.
    FileBytes data;
    if (!m_env->ReadFileBytes(path, &data).ok()) return false;
    const std::string_view bytes = data.View();
    RecordHead last;
    std::string currency;
    size_t baseEnd = 0;
    try {
        CArchive ar(bytes);
        ar.ReadString();
        CVersionInfo version(ar, &ledger, 1, kCurrentMinor);
        if (!version.IsMark() || version.ReadMajor() != 1 || version.ReadMinor() != kCurrentMinor)
            return false;
        const uint32_t sum = ar.ReadU32();
        const uint64_t length = ar.ReadU64();
        ar.ReadString();
        if (length > ar.Remaining() || Crc32c(bytes.substr(ar.Position(), length)) != sum)
            return false;  // the whole load reports the damage
        baseEnd = ar.Position() + length;
        last.lastId = ar.ReadU32();
        last.activeTab = ar.ReadI32();
        last.journalSize = static_cast<uint32_t>(ar.ReadI32());
        currency = ar.ReadString();
    } catch (const CArchiveException&) {
        return false;
    }
    m_baseSize = baseEnd;
    // A checkpoint's history opens the records; what restore keeps need not be read here,
    // only passed over by its checked length.
    size_t from = baseEnd;
    const std::string_view head = bytes.substr(baseEnd, kRecordHeaderBytes);
    if (head.size() == kRecordHeaderBytes && Crc32c(head.substr(0, 9)) == DecodeFixed32(&head[9]) &&
        static_cast<uint8_t>(head[4]) == static_cast<uint8_t>(RecordType::history))
        from += kRecordHeaderBytes + DecodeFixed32(head.data());
    if (bytes.size() < from || DueForCheckpoint(bytes.size() - from)) return false;
    try {
        Records records = ReadRecords(bytes.substr(from), from);
        if (!records.records.empty()) last = ReadRecordHead(records.records.back().payload);
        NoteRecords(records, from, path, warnings);
    } catch (const Error&) {
        return false;  // the whole load reports the damage
    }
    if (data.CutShort()) return false;
    ledger.ReplayHeader(last.lastId, last.activeTab);
    ledger.SetCurrency(std::move(currency));
    m_journalSize = last.journalSize;
    m_inStep = true;
    return true;
}

bool PortfolioStore::DueForCheckpoint(size_t more) const {
    return m_sinceHistory + more > std::max<uint64_t>(m_baseSize / 16, kLeastRecords);
}

Status PortfolioStore::SaveWhole(const std::string& path, CSistemaCartera& ledger,
                                 const std::string& backup) {
    m_buffer.clear();  // keeps its capacity
    CArchive ar(&m_buffer);
    BaseInfo base;
    SerializePortfolio(ar, ledger, &base);
    if (m_history.CanUndo() || m_history.CanRedo())
        AppendHistoryRecord(&m_buffer, ledger, m_history, std::max(kLeastHistory, base.end / 4));
    m_inStep = false;  // until the new file is in place
    if (Status written = m_env->WriteFileWithBackup(path, m_buffer, backup); !written.ok())
        return written;
    // The changes an earlier version kept beside the file are in it now.
    if (m_legacyLog && m_env->RemoveFile(LegacyLogPath(*m_env, path)).ok()) m_legacyLog = false;
    m_inStep = true;
    m_olderVersion = false;
    m_appendAt = m_buffer.size();
    m_baseSize = base.end;
    m_sinceHistory = 0;
    m_recordCount = 0;
    m_journalSize = ledger.GetOrders().size();
    NoteDisk(path);
    return {};
}

Status PortfolioStore::Append(const std::string& path, std::string_view record,
                              size_t journalSize) {
    if (Status appended = m_env->AppendAt(path, m_appendAt, record); !appended.ok()) {
        m_inStep = false;  // the next save writes the file whole
        // Cut back, the file may still look touched: under the lock, that is this store's doing.
        if (m_lock) NoteDisk(path);
        return appended;
    }
    m_appendAt += record.size();
    m_sinceHistory += record.size();
    ++m_recordCount;
    m_journalSize = journalSize;
    NoteDisk(path);
    return {};
}

Status PortfolioStore::SaveChange(const std::string& path, CSistemaCartera& ledger,
                                  const JournalChange& change) {
    if (change.removed.empty() && change.added.empty() && change.after.empty() && m_inStep)
        return {};  // nothing changed, nothing to keep
    const RecordType type = m_nextType;
    if (type == RecordType::step) m_history.Record(change);
    const size_t journalSize = m_appendOnly
                                   ? m_journalSize + change.added.size() - change.removed.size()
                                   : ledger.GetOrders().size();
    m_record.clear();  // keeps its capacity
    if (m_inStep && m_appendAt > 0 && !m_olderVersion)
        AppendStepRecord(&m_record, type, ledger,
                         m_appendOnly ? Shifted(change, m_journalSize) : change, journalSize);
    if (!m_inStep || m_appendAt == 0 || m_olderVersion || DueForCheckpoint(m_record.size())) {
        if (!m_appendOnly) return SaveWhole(path, ledger, BackupPath(*m_env, path));
        m_wholeNeeded = true;
        return Status(ErrorKind::bug, "the portfolio must be written whole");
    }
    return Append(path, m_record, journalSize);
}

Status PortfolioStore::SaveLayouts(const std::string& path, CSistemaCartera& ledger) {
    if (!m_inStep || m_appendOnly) return {};
    m_record.clear();
    if (m_appendAt > 0) AppendLayoutsRecord(&m_record, ledger);
    if (m_appendAt == 0 || m_olderVersion || DueForCheckpoint(m_record.size()))
        return SaveWhole(path, ledger, std::string());  // the journal is the same: no backup
    return Append(path, m_record, m_journalSize);
}

void PortfolioStore::ChangeNotSaved(const JournalChange& change) {
    if (m_nextType == RecordType::step) m_history.Record(change);
    m_inStep = false;
}

bool PortfolioStore::TakeBack(CSistemaCartera& ledger) {
    if (!m_history.CanUndo()) return false;
    m_nextType = RecordType::takeBack;
    m_history.Undo(ledger);
    m_nextType = RecordType::step;
    return true;
}

bool PortfolioStore::PutBack(CSistemaCartera& ledger) {
    if (!m_history.CanRedo()) return false;
    m_nextType = RecordType::putBack;
    m_history.Redo(ledger);
    m_nextType = RecordType::step;
    return true;
}

bool PortfolioStore::ChangedOutside(const std::string& path) const {
    FileState now;
    return !m_env->GetFileState(path, &now).ok() || now != m_disk;
}

void PortfolioStore::NoteDisk(const std::string& path) {
    if (!m_env->GetFileState(path, &m_disk).ok()) m_disk = FileState();
}

}  // namespace cartera
