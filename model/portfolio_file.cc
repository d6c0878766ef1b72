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

// Minor version 1: the version record is followed by a checksum of the body.
constexpr int32_t kMajor = 1;
constexpr int32_t kMinorWithChecksum = 1;

uint32_t Checksum(std::string_view bytes) { return Fnv1a(kFnv1aStart, bytes); }

void Fail(const std::string& what) { throw CArchiveException(CArchiveException::badFormat, what); }

COrderCartera OneShare(COrderCartera m) {
    m.contracts = 1;
    return m;
}

}  // namespace

void SerializePortfolio(CArchive& ar, CSistemaCartera& ledger, bool* isPortfolio) {
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
        ar.PatchU32(sumAt, ar.Sum());
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
    const bool summed = version.ReadMinor() >= kMinorWithChecksum;
    uint32_t sum = summed ? ar.ReadU32() : 0;
    ar.ReadString();
    const size_t start = ar.Position();
    std::string_view body = ar.ReadView(ar.Remaining());
    if (summed && Checksum(body) != sum)
        Fail("the content does not match its checksum (the file was changed or damaged)");
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

PortfolioDocument::PortfolioDocument(CSistemaCartera* ledger) : m_ledger(ledger) {
    m_ledger->SetDocumento(this);
}

PortfolioDocument::~PortfolioDocument() {
    if (m_ledger->GetDocumento() == this) m_ledger->SetDocumento(nullptr);
}

void PortfolioDocument::Open(const std::string& path) {
    std::string data;
    uint64_t size = 0;  // room made in advance; a failure shows at the read
    if (CurrentEnv()->GetFileSize(path, &size).ok()) {
        data.reserve(static_cast<size_t>(size));
        AdviseLargePages(data.data(), data.capacity());
    }
    CurrentEnv()->ReadFile(path, &data).ThrowIfError();
    CArchive ar{std::string_view(data)};
    bool isPortfolio = false;  // until the version record has been read
    try {
        SerializePortfolio(ar, *m_ledger, &isPortfolio);
    } catch (const CArchiveException& e) {
        throw Error(ErrorKind::damaged,
                    path + ": " + (isPortfolio ? e.what() : "not a portfolio file"));
    }
    for (const COrderCartera& m : m_ledger->GetOrders()) {
        // A shareless dividend is warned of, not refused; its numbers must still be numbers.
        std::string why =
            m.IsSharelessDividend() ? UnpriceableReason(OneShare(m)) : UnpriceableReason(m);
        if (!why.empty())
            throw Error(ErrorKind::damaged,
                        path + ": movement " + std::to_string(m.id) + ": " + why);
    }
    m_warnings = LoadWarnings(path, *m_ledger);
    m_path = path;
    m_title = path;
    UpdateAllViews();
}

Status PortfolioDocument::Load(const std::string& path) {
    try {
        Open(path);
        return {};
    } catch (const Error& e) {
        return Status(e.kind(), e.what());
    }
}

Status PortfolioDocument::SaveAs(const std::string& path) {
    std::string& data = m_saveBuffer;
    data.clear();  // keeps its capacity
    CArchive ar(&data);
    SerializePortfolio(ar, *m_ledger);
    Status written = CurrentEnv()->WriteFileWithBackup(path, data, BackupPath(path));
    if (!written.ok()) {
        m_saveErrorKind = written.kind();
        return written;
    }
    ++m_saves;
    m_path = path;
    if (m_title.empty()) m_title = path;
    return {};
}

void PortfolioDocument::DoFileSave() {
    if (m_path.empty()) {
        m_saveError = "the portfolio has no file yet";
        return;
    }
    if (Status saved = SaveAs(m_path); !saved.ok()) m_saveError = saved.message();
}

void PortfolioDocument::UpdateAllViews() {
    if (m_onUpdate) m_onUpdate();
}

}  // namespace cartera
