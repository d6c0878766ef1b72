#include "model/portfolio_file.h"

#include "host/archive.h"
#include "host/dates.h"
#include "host/env.h"
#include "host/memory.h"
#include "host/strings.h"
#include "host/version_info.h"
#include "model/entry.h"
#include "model/sistema.h"

namespace cartera {

namespace {

// Minor version 1: the version record is followed by an FNV-1a sum of the body (read only);
// 2: by its CRC-32C.
constexpr int32_t kMajor = 1;
constexpr int32_t kMinorWithFnv = 1;
constexpr int32_t kMinorWithChecksum = 2;

uint32_t Checksum(int32_t minor, std::string_view bytes) {
    return minor == kMinorWithFnv ? Fnv1a(kFnv1aStart, bytes) : Crc32c(bytes);
}

void Fail(const std::string& what) { throw CArchiveException(CArchiveException::badFormat, what); }

COrderCartera OneShare(COrderCartera m) {
    m.contracts = 1;
    return m;
}

}  // namespace

void SerializePortfolio(CArchive& ar, CSistemaCartera& ledger, bool* isPortfolio,
                        std::optional<uint32_t>* sum) {
    if (ar.IsStoring()) {
        // One pass into the one buffer: the checksum's place is kept and filled in once the
        // body after it has been written.
        ar.WriteString("");
        CVersionInfo(ar, &ledger, kMajor, kMinorWithChecksum).Mark();
        const size_t sumAt = ar.Position();
        ar.WriteU32(0);
        ar.WriteString("");
        ar.StartSum(ar.Position());  // summed as the body is written
        ledger.Serialize(ar);
        const uint32_t bodySum = ar.Sum();
        ar.PatchU32(sumAt, bodySum);
        if (sum) *sum = bodySum;
        return;
    }
    ar.ReadString();
    CVersionInfo version(ar, &ledger, kMajor, kMinorWithChecksum);
    bool mark = version.IsMark();
    if (isPortfolio) *isPortfolio = mark;
    if (!mark) Fail("not a portfolio file");
    if (version.ReadMajor() != kMajor || version.ReadMinor() > kMinorWithChecksum)
        Fail("portfolio file version " + std::to_string(version.ReadMajor()) + "." +
             std::to_string(version.ReadMinor()) + " is not known");
    const bool summed = version.ReadMinor() >= kMinorWithFnv;
    const uint32_t stored = summed ? ar.ReadU32() : 0;
    ar.ReadString();
    const size_t start = ar.Position();
    std::string_view body = ar.ReadView(ar.Remaining());
    if (summed && Checksum(version.ReadMinor(), body) != stored)
        Fail("the content does not match its checksum (the file was changed or damaged)");
    if (sum && version.ReadMinor() == kMinorWithChecksum) *sum = stored;
    CArchive bodyAr(body);
    try {
        ledger.Serialize(bodyAr);
    } catch (const CArchiveException& e) {
        throw CArchiveException(e.m_cause, std::string(e.what()) + " at byte " +
                                               std::to_string(start + bodyAr.Position()));
    }
}

std::vector<std::string> LoadWarnings(const std::string& path, const CSistemaCartera& ledger) {
    std::vector<std::string> warnings;
    for (const COrderCartera& m : ledger.GetOrders()) {
        if (!m.IsSharelessDividend()) continue;
        std::string text = ::LS(42230);
        const std::string values[] = {path, std::to_string(m.id), IsoDate(m.date),
                                      m.quoteCode.str(), std::to_string(m.contracts)};
        for (int i = 0; i < 5; ++i) {
            const std::string mark = "%" + std::to_string(i + 1);
            if (size_t at = text.find(mark); at != std::string::npos)
                text.replace(at, mark.size(), values[i]);
        }
        warnings.push_back(std::move(text));
    }
    return warnings;
}

Status LockPortfolioFile(const std::string& path, std::unique_ptr<FileLock>* lock) {
    return CurrentEnv()->LockFile(path, kLockWaitMs, lock);
}

std::string BackupPath(const std::string& path) { return CurrentEnv()->Resolve(path) + ".bak"; }

namespace {

// Leaves the ledger's after-loading process to the end of a load, after the log.
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

// The file's bytes, read into a buffer made once at the file's size.
std::string ReadWhole(const std::string& path) {
    std::string data;
    uint64_t size = 0;  // room made in advance; a failure shows at the read
    if (CurrentEnv()->GetFileSize(path, &size).ok()) {
        data.reserve(static_cast<size_t>(size));
        AdviseLargePages(data.data(), data.capacity());
    }
    CurrentEnv()->ReadFile(path, &data).ThrowIfError();
    return data;
}

}  // namespace

void PortfolioStore::Load(const std::string& path, CSistemaCartera& ledger,
                          std::vector<std::string>* warnings, bool withoutLastChange) {
    FileBytes data;
    CurrentEnv()->ReadFileBytes(path, &data).ThrowIfError();
    bool isPortfolio = false;  // until the version record has been read
    try {
        {
            AfterLoading after(ledger);
            LoadFileAndLog(path, data.View(), ledger, warnings, withoutLastChange, &isPortfolio);
        }
        // Matching needs only the movements: the file's memory goes before the trades take
        // theirs.
        data = FileBytes();
        ledger.DoAfterLoadingProcess();
    } catch (const CArchiveException& e) {
        throw Error(ErrorKind::damaged,
                    path + ": " + (isPortfolio ? e.what() : "not a portfolio file"));
    }
}

void PortfolioStore::LoadBytes(const std::string& path, std::string_view data,
                               CSistemaCartera& ledger, std::vector<std::string>* warnings,
                               bool withoutLastChange, bool* isPortfolio) {
    {
        AfterLoading after(ledger);
        LoadFileAndLog(path, data, ledger, warnings, withoutLastChange, isPortfolio);
    }
    ledger.DoAfterLoadingProcess();
}

void PortfolioStore::LoadFileAndLog(const std::string& path, std::string_view data,
                                    CSistemaCartera& ledger, std::vector<std::string>* warnings,
                                    bool withoutLastChange, bool* isPortfolio) {
    m_stamp.reset();  // until the file and its log are known sound
    m_appendOnly = false;
    m_logBytes = 0;
    m_logChanges = 0;
    CArchive ar(data);
    std::optional<uint32_t> sum;
    SerializePortfolio(ar, ledger, isPortfolio, &sum);
    const std::string logPath = LogPath(path);
    std::string log;
    if (CurrentEnv()->FileExists(logPath)) log = ReadWhole(logPath);
    std::optional<FileStamp> stamp;
    if (sum) stamp = FileStamp{data.size(), *sum};
    if (log.empty()) {
        m_stamp = stamp;
        return;
    }
    LogContent content;
    try {
        content = ReadLogRecords(log);
    } catch (const Error& e) {
        throw Error(ErrorKind::damaged, logPath + ": " + e.what());
    }
    // A log left by a killed checkpoint: its changes are in the file. The next change
    // writes the whole file, which empties it.
    if (!stamp || !LogAppliesTo(content, *stamp)) return;
    if (withoutLastChange && content.records.size() > 1) content.records.pop_back();
    try {
        ReplayLog(content, ledger);
    } catch (const Error& e) {
        throw Error(ErrorKind::damaged, logPath + ": " + e.what());
    }
    if (content.tornTail) {
        if (warnings)
            warnings->push_back(logPath + ": the last change was cut off while it was written (" +
                                std::to_string(log.size() - content.wholeBytes) +
                                " bytes) and is left out; it was never reported as saved");
        return;  // the next change writes the whole file
    }
    m_stamp = stamp;
    m_logBytes = log.size();
    m_logChanges = content.records.size() - 1;
}

bool PortfolioStore::OpenForAppend(const std::string& path, CSistemaCartera& ledger) {
    m_stamp.reset();
    m_appendOnly = true;
    m_wholeNeeded = false;
    // The envelope and the body's header: two strings (empty as written, a few bytes as
    // another writer may leave them), the version record, the checksum and two numbers.
    constexpr size_t kHead = 1024;
    std::string head;
    uint64_t size = 0;
    if (!CurrentEnv()->ReadFileHead(path, kHead, &head, &size).ok()) return false;
    uint32_t lastId = 0, sum = 0;
    int32_t tab = 0;
    try {
        CArchive ar{std::string_view(head)};
        ar.ReadString();
        CVersionInfo version(ar, &ledger, kMajor, kMinorWithChecksum);
        if (!version.IsMark() || version.ReadMajor() != kMajor ||
            version.ReadMinor() != kMinorWithChecksum)
            return false;
        sum = ar.ReadU32();
        ar.ReadString();
        lastId = ar.ReadU32();
        tab = ar.ReadI32();
    } catch (const CArchiveException&) {
        return false;
    }
    const std::string logPath = LogPath(path);
    std::string log;
    if (CurrentEnv()->FileExists(logPath) && !CurrentEnv()->ReadFile(logPath, &log).ok())
        return false;
    const FileStamp stamp{size, sum};
    if (!log.empty()) {
        try {
            LogContent content = ReadLogRecords(log);
            if (content.tornTail || !LogAppliesTo(content, stamp)) return false;
            m_logChanges = content.records.size() - 1;
            if (m_logChanges > 0) {  // the last change carries the header as it is now
                CArchive ar(content.records.back().payload);
                lastId = ar.ReadU32();
                tab = ar.ReadI32();
            }
        } catch (const Error&) {
            return false;
        }
    }
    ledger.ReplayHeader(lastId, tab);
    m_stamp = stamp;
    m_logBytes = log.size();
    return true;
}

Status PortfolioStore::SaveWhole(const std::string& path, CSistemaCartera& ledger,
                                 const std::string& backup) {
    m_buffer.clear();  // keeps its capacity
    CArchive ar(&m_buffer);
    std::optional<uint32_t> sum;
    SerializePortfolio(ar, ledger, nullptr, &sum);
    m_stamp.reset();
    if (Status written = CurrentEnv()->WriteFileWithBackup(path, m_buffer, backup); !written.ok())
        return written;
    // The log no longer applies to the file; emptied, or left for the next save when it
    // cannot be (a reader ignores it either way).
    const std::string logPath = LogPath(path);
    if ((m_logBytes == 0 && !CurrentEnv()->FileExists(logPath)) ||
        CurrentEnv()->WriteFileAtomic(logPath, std::string_view()).ok())
        m_stamp = FileStamp{m_buffer.size(), *sum};
    m_logBytes = 0;
    m_logChanges = 0;
    return {};
}

Status PortfolioStore::SaveChange(const std::string& path, CSistemaCartera& ledger,
                                  const LogChange& change) {
    if (change.kind == LogChange::modify && change.place == SIZE_MAX) return {};
    m_record.clear();  // keeps its capacity
    constexpr uint64_t kLeastLog = uint64_t{64} * 1024;
    if (m_stamp) {
        if (m_logBytes == 0) AppendBaseRecord(&m_record, *m_stamp);
        AppendChangeRecord(&m_record, ledger, change);
    }
    if (!m_stamp || m_logBytes + m_record.size() > std::max(m_stamp->size / 16, kLeastLog)) {
        if (!m_appendOnly) return SaveWhole(path, ledger, BackupPath(path));
        m_wholeNeeded = true;
        return Status(ErrorKind::bug, "the portfolio must be written whole");
    }
    // A read-only portfolio refuses a change recorded beside it as a save of it would.
    if (Status replaceable = CurrentEnv()->CanReplace(path); !replaceable.ok()) return replaceable;
    if (Status appended = CurrentEnv()->AppendFile(LogPath(path), m_record); !appended.ok()) {
        m_stamp.reset();  // what the log ends with is not known: the next save is whole
        return appended;
    }
    m_logBytes += m_record.size();
    ++m_logChanges;
    return {};
}

PortfolioDocument::PortfolioDocument(CSistemaCartera* ledger) : m_ledger(ledger) {
    m_ledger->SetDocumento(this);
}

PortfolioDocument::~PortfolioDocument() {
    if (m_ledger->GetDocumento() == this) m_ledger->SetDocumento(nullptr);
}

Status PortfolioDocument::Load(const std::string& path) {
    try {
        LoadChecked(path);
        return {};
    } catch (const Error& e) {
        return Status(e.kind(), e.what());
    }
}

void PortfolioDocument::LoadChecked(const std::string& path) {
    m_warnings.clear();
    m_store.Load(path, *m_ledger, &m_warnings);
    for (const COrderCartera& m : m_ledger->GetOrders()) {
        // A shareless dividend is warned of, not refused; its numbers must still be numbers.
        std::string unpriceable =
            m.IsSharelessDividend() ? UnpriceableReason(OneShare(m)) : UnpriceableReason(m);
        if (!unpriceable.empty())
            throw Error(ErrorKind::damaged,
                        path + ": movement " + std::to_string(m.id) + ": " + unpriceable);
    }
    std::vector<std::string> dividends = LoadWarnings(path, *m_ledger);
    m_warnings.insert(m_warnings.end(), dividends.begin(), dividends.end());
    m_path = path;
    m_title = path;
    UpdateAllViews();
}

Status PortfolioDocument::SaveAs(const std::string& path) {
    Status written = m_store.SaveWhole(path, *m_ledger, BackupPath(path));
    if (!written.ok()) {
        m_saveErrorKind = written.kind();
        return written;
    }
    ++m_saves;
    m_path = path;
    if (m_title.empty()) m_title = path;
    return {};
}

bool PortfolioDocument::OpenForAppend(const std::string& path) {
    if (!m_store.OpenForAppend(path, *m_ledger)) return false;
    m_path = path;
    m_title = path;
    return true;
}

Status PortfolioDocument::Compact() { return SaveAs(m_path); }

void PortfolioDocument::DoFileSave() {
    if (m_path.empty()) {
        m_saveError = "the portfolio has no file yet";
        return;
    }
    if (Status saved = SaveAs(m_path); !saved.ok()) m_saveError = saved.message();
}

void PortfolioDocument::SaveChange(const LogChange& change) {
    if (m_path.empty()) {
        m_saveError = "the portfolio has no file yet";
        return;
    }
    if (Status saved = m_store.SaveChange(m_path, *m_ledger, change); !saved.ok()) {
        m_saveError = saved.message();
        m_saveErrorKind = saved.kind();
        return;
    }
    ++m_saves;
}

void PortfolioDocument::UpdateAllViews() {
    if (m_onUpdate) m_onUpdate();
}

}  // namespace cartera
