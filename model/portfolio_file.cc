#include "model/portfolio_file.h"

#include "host/archive.h"
#include "host/dates.h"
#include "host/strings.h"
#include "host/version_info.h"
#include "model/entry.h"
#include "model/sistema.h"

namespace cartera {

namespace {

// Minor version 1: the version record is followed by an FNV-1a sum of the body (read only);
// 2: by its CRC-32C; 3: by its CRC-32C and its length, with records after the body; 4: the
// same with exact quantities (see kExactQuantitySchema); 5: with extra fields (kExtraFieldsSchema).
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

void SerializePortfolio(CArchive& ar, CSistemaCartera& ledger, BaseInfo* info) {
    if (ar.IsStoring()) {
        // Written in the newest version unless the archive names an earlier one (tests of
        // earlier files build them so).
        const int32_t minor = ar.GetObjectSchema() < 0 ? kCurrentMinor : ar.GetObjectSchema();
        // One pass into the one buffer: the places of the checksum and length are kept and
        // filled in once the body after them has been written.
        ar.WriteString("");
        CVersionInfo(ar, &ledger, kMajor, minor).Mark();
        const size_t sumAt = ar.Position();
        ar.WriteU32(0);
        ar.WriteU64(0);
        ar.WriteString("");
        const size_t start = ar.Position();
        ar.StartSum(start);  // summed as the body is written
        ledger.Serialize(ar);
        const uint32_t bodySum = ar.Sum();
        const uint64_t length = ar.Position() - start;
        ar.PatchU32(sumAt, bodySum);
        ar.PatchU32(sumAt + 4, static_cast<uint32_t>(length));
        ar.PatchU32(sumAt + 8, static_cast<uint32_t>(length >> 32));
        if (info) *info = BaseInfo{true, minor, bodySum, ar.Position()};
        return;
    }
    ar.ReadString();
    CVersionInfo version(ar, &ledger, kMajor, kCurrentMinor);
    BaseInfo read;
    read.isPortfolio = version.IsMark();
    if (info) *info = read;
    if (!read.isPortfolio) Fail("not a portfolio file");
    if (version.ReadMajor() != kMajor || version.ReadMinor() > kCurrentMinor ||
        version.ReadMinor() < 0)
        Fail("portfolio file version " + std::to_string(version.ReadMajor()) + "." +
             std::to_string(version.ReadMinor()) + " is not known");
    read.minor = version.ReadMinor();
    const bool summed = read.minor >= kMinorWithFnv;
    const uint32_t stored = summed ? ar.ReadU32() : 0;
    const bool sized = read.minor >= kMinorWithRecords;
    const uint64_t length = sized ? ar.ReadU64() : 0;
    ar.ReadString();
    const size_t start = ar.Position();
    if (sized && length > ar.Remaining()) Fail("the file ends inside its journal");
    std::string_view body = ar.ReadView(sized ? static_cast<size_t>(length) : ar.Remaining());
    if (summed && Checksum(read.minor, body) != stored)
        Fail("the content does not match its checksum (the file was changed or damaged)");
    if (read.minor >= kMinorWithChecksum) read.sum = stored;
    read.end = ar.Position();
    if (info) *info = read;
    if (!info && !ar.AtEnd()) Fail(std::to_string(ar.Remaining()) + " bytes after the journal");
    CArchive bodyAr(body);
    bodyAr.SetObjectSchema(read.minor);
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
                                      m.quoteCode.str(), m.contracts.Text()};
        for (int i = 0; i < 5; ++i) {
            const std::string mark = "%" + std::to_string(i + 1);
            if (size_t at = text.find(mark); at != std::string::npos)
                text.replace(at, mark.size(), values[i]);
        }
        warnings.push_back(std::move(text));
    }
    return warnings;
}

PortfolioDocument::PortfolioDocument(CSistemaCartera* ledger, Env* env)
    : m_ledger(ledger), m_store(env) {
    m_ledger->SetDocumento(this);
}

PortfolioDocument::~PortfolioDocument() {
    if (m_ledger->GetDocumento() == this) m_ledger->SetDocumento(nullptr);
}

Status PortfolioDocument::Load(const std::string& path, bool keepHistory) {
    try {
        LoadChecked(path, keepHistory);
        return {};
    } catch (const Error& e) {
        return Status(e.kind(), e.what());
    }
}

void PortfolioDocument::LoadChecked(const std::string& path, bool keepHistory) {
    m_warnings.clear();
    m_store.Load(path, *m_ledger, &m_warnings, keepHistory);
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

void PortfolioDocument::NoteSave(const Status& saved) {
    if (saved.ok()) {
        ++m_saves;
        m_saveError.clear();
        return;
    }
    m_saveError = saved.message();
    m_saveErrorKind = saved.kind();
}

Status PortfolioDocument::SaveAs(const std::string& path) {
    Status written = m_store.SaveWhole(path, *m_ledger, BackupPath(m_store.FileSystem(), path));
    NoteSave(written);
    if (!written.ok()) return written;
    m_path = path;
    if (m_title.empty()) m_title = path;
    return {};
}

bool PortfolioDocument::OpenForAppend(const std::string& path) {
    m_warnings.clear();
    if (!m_store.OpenForAppend(path, *m_ledger, &m_warnings)) return false;
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
    (void)SaveAs(m_path);
}

void PortfolioDocument::SaveChange(const JournalChange& change) {
    if (m_path.empty()) {
        m_store.ChangeNotSaved(change);
        m_saveError = "the portfolio has no file yet";
        return;
    }
    NoteSave(m_store.SaveChange(m_path, *m_ledger, change));
}

void PortfolioDocument::UpdateAllViews() {
    if (m_onUpdate) m_onUpdate();
}

}  // namespace cartera
