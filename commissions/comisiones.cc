#include "commissions/comisiones.h"

#include <algorithm>
#include <unordered_set>

#include "host/archive.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/strings.h"
#include "host/version_info.h"

namespace {

// Files without a version record are version 1.0: the body alone. Version 1.1 opens with
// the version record and a checksum of the body after it.
constexpr int32_t kMajor = 1;
constexpr int32_t kMinorWithFnv = 1;       // FNV-1a, read only
constexpr int32_t kMinorWithChecksum = 2;  // CRC-32C

void Fail(const std::string& what) { throw CArchiveException(CArchiveException::badFormat, what); }

// The smallest record on file: 104 bytes of numbers and a one-byte string prefix.
constexpr size_t kMinRecordBytes = 105;

// id + 1 without signed overflow; ids near the top only come from crafted files.
int32_t Next(int32_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v) + 1u); }

void SerializeRecord(CArchive& ar, stComision& r) {
    if (ar.IsStoring()) {
        ar << r.isDefault << r.name << r.royalty << r.from << r.brokeragePct << r.brokerageMin
           << r.spare1 << r.to << r.idSchedule << r.commissionMin << r.spare2 << r.commissionPct
           << r.bracketIndex << r.kind << r.unitRate << r.unitMin;
    } else {
        ar >> r.isDefault >> r.name >> r.royalty >> r.from >> r.brokeragePct >> r.brokerageMin >>
            r.spare1 >> r.to >> r.idSchedule >> r.commissionMin >> r.spare2 >> r.commissionPct >>
            r.bracketIndex >> r.kind >> r.unitRate >> r.unitMin;
    }
}

}  // namespace

namespace {
constexpr const char* kFileName = "Comisiones.bin";
}  // namespace

CAdmComisiones::CAdmComisiones(const cartera::Context& ctx)
    : m_env(ctx.env), m_folder(ctx.home + "/"), m_path(m_folder + kFileName) {}

void CAdmComisiones::MakeFolder() const {
    (void)m_env->CreateDirs(m_folder);  // a failure shows at the file's use
}

std::string CAdmComisiones::AdoptFileOfOtherLanguage() {
    const std::string& path = FilePath();
    cartera::Env* env = m_env;
    uint64_t size;
    if (!env->GetFileSize(path, &size).IsNotFound()) return {};
    for (cartera::Language lang :
         {cartera::Language::en, cartera::Language::de, cartera::Language::fr,
          cartera::Language::it, cartera::Language::es}) {
        const std::string old = m_folder + cartera::LS(3456, lang);
        std::string data;
        if (old == path) continue;
        cartera::Status status = env->ReadFile(old, &data);
        if (status.IsNotFound()) continue;
        // The old file stays where it was, untouched: the backup of what was adopted.
        if (status.ok()) {
            MakeFolder();
            status = env->WriteFileAtomic(path, data);
        }
        if (!status.ok())
            return "cannot adopt the commission file " + old + ": " + status.message();
        return {};
    }
    return {};
}

void CAdmComisiones::Load() {
    m_loadError = AdoptFileOfOtherLanguage();
    m_fileBytes.clear();
    if (!m_loadError.empty()) return;
    const std::string& path = FilePath();
    std::string data;
    if (cartera::Status read = m_env->ReadFile(path, &data); !read.ok()) {
        if (!read.IsNotFound()) m_loadError = "cannot read the commission file: " + read.message();
        return;
    }
    m_fileBytes = data;
    CArchive ar{std::string_view(data)};
    try {
        Serialize(ar);
    } catch (const CArchiveException& e) {
        m_loadError = "damaged commission file " + path + ": " + e.what();
        throw;
    }
}

std::unique_ptr<CAdmComisiones> LoadCommissions(const cartera::Context& ctx) {
    auto adm = std::make_unique<CAdmComisiones>(ctx);
    adm->Load();
    return adm;
}

cartera::Status CAdmComisiones::LockFile(std::unique_ptr<cartera::FileLock>* lock) const {
    MakeFolder();
    return m_env->LockFile(FilePath(), cartera::kLockWaitMs, lock);
}

cartera::Status CAdmComisiones::Save() {
    if (!m_loadError.empty()) return cartera::Status(cartera::ErrorKind::io, m_loadError);
    std::string data;
    CArchive ar(&data);
    Serialize(ar);
    MakeFolder();
    cartera::Status written = m_env->WriteFileAtomic(FilePath(), data);
    if (!written.ok()) return written;
    m_fileBytes = std::move(data);
    return {};
}

bool CAdmComisiones::FileChanged() const {
    std::string data;
    if (!m_env->ReadFile(FilePath(), &data).ok()) data.clear();
    return data != m_fileBytes;
}

void CAdmComisiones::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        CVersionInfo(ar, this, kMajor, kMinorWithChecksum).Mark();
        const size_t sumAt = ar.Position();
        ar.WriteU32(0);
        ar.StartSum(ar.Position());
        SerializeBody(ar);
        ar.PatchU32(sumAt, ar.Sum());
        return;
    }
    m_records.clear();
    // A 1.0 file opens with its record count; no count reaches the magic word's value,
    // whose records would fill more than 150 GB.
    const uint32_t first = ar.ReadU32();
    if (first != CVersionInfo::kMagic) {
        SerializeBody(ar, first);
        if (!ar.AtEnd()) Fail(std::to_string(ar.Remaining()) + " bytes after the last record");
        return;
    }
    const int32_t major = ar.ReadI32(), minor = ar.ReadI32();
    if (major != kMajor || (minor != kMinorWithChecksum && minor != kMinorWithFnv))
        Fail("commission file version " + std::to_string(major) + "." + std::to_string(minor) +
             " is not known");
    const uint32_t sum = ar.ReadU32();
    std::string_view body = ar.ReadView(ar.Remaining());
    CArchive bodyAr(body);
    if ((minor == kMinorWithFnv ? cartera::Fnv1a(cartera::kFnv1aStart, body)
                                : cartera::Crc32c(body)) != sum) {
        // What reads whole is kept for the user to look at, as with a file cut short; the
        // file is still refused.
        try {
            SerializeBody(bodyAr, bodyAr.ReadU32());
        } catch (const CArchiveException&) {
        }
        Fail("the content does not match its checksum (the file was changed or damaged)");
    }
    SerializeBody(bodyAr, bodyAr.ReadU32());
    if (!bodyAr.AtEnd()) Fail(std::to_string(bodyAr.Remaining()) + " bytes after the last record");
}

void CAdmComisiones::SerializeBody(CArchive& ar, uint32_t count) {
    if (ar.IsStoring()) {
        ar << static_cast<uint32_t>(m_records.size());
        for (stComision& r : m_records) SerializeRecord(ar, r);
        return;
    }
    // Reserve only what the remaining bytes can hold, so a crafted count cannot
    // make us allocate before the archive runs out.
    m_records.reserve(std::min<size_t>(count, ar.Remaining() / kMinRecordBytes));
    for (uint32_t i = 0; i < count; ++i) {
        stComision r;
        SerializeRecord(ar, r);  // throws at a truncated record; earlier ones stay
        m_records.push_back(std::move(r));
    }
}

void CAdmComisiones::Add(stComision record) {
    if (record.idSchedule == -1) {
        record.idSchedule = m_records.empty() ? 0 : Next(m_records.back().idSchedule);
        record.bracketIndex = 0;
    } else if (record.bracketIndex == -1) {
        record.bracketIndex = Next(GetMaxBracketIndex(record.idSchedule));
    }
    m_records.push_back(std::move(record));
}

void CAdmComisiones::DeleteSchedule(const std::string& name, int32_t kind) {
    std::erase_if(m_records, [&](const stComision& r) { return r.kind == kind && r.name == name; });
}

int32_t CAdmComisiones::FindScheduleId(const std::string& name) const {
    for (const stComision& r : m_records)
        if (r.name == name) return r.idSchedule;
    return -1;
}

int32_t CAdmComisiones::GetMaxBracketIndex(int32_t idSchedule) const {
    int32_t best = 0;
    for (const stComision& r : m_records)
        if (r.idSchedule == idSchedule) best = std::max(best, r.bracketIndex);
    return best;
}

void CAdmComisiones::GetBrackets(const std::string& name, int32_t kind,
                                 CArrayComisiones& out) const {
    for (const stComision& r : m_records)
        if (r.kind == kind && r.name == name) out.push_back(r);
}

void CAdmComisiones::GetByKind(int32_t kind, CArrayComisiones& out) const {
    for (const stComision& r : m_records)
        if (r.kind == kind) out.push_back(r);
}

void CAdmComisiones::GetFirstOfEachName(int32_t kind, CArrayComisiones& out) const {
    std::unordered_set<std::string_view> seen;
    for (const stComision& r : m_records)
        if (r.kind == kind && seen.insert(r.name).second) out.push_back(r);
}

void CAdmComisiones::GetScheduleNames(std::vector<std::string>& out, int32_t kind) const {
    const std::string* previous = nullptr;
    for (const stComision& r : m_records) {
        if (r.kind != kind || (previous && *previous == r.name)) continue;
        out.push_back(r.name);
        previous = &r.name;
    }
}

std::string CAdmComisiones::GetDefaultName() const {
    for (const stComision& r : m_records)
        if (r.isDefault) return r.name;
    return {};
}

std::string CAdmComisiones::GetDefaultName(int32_t kind) const {
    for (const stComision& r : m_records)
        if (r.kind == kind && r.isDefault) return r.name;
    return {};
}

void CAdmComisiones::SetDefault(const std::string& name) {
    for (stComision& r : m_records) r.isDefault = r.name == name ? 1 : 0;
}

bool CAdmComisiones::Exists(const std::string& name, int32_t kind) const {
    return std::any_of(m_records.begin(), m_records.end(),
                       [&](const stComision& r) { return r.kind == kind && r.name == name; });
}

bool CAdmComisiones::CheckBracket(const std::string& name, int32_t kind, double from,
                                  double to) const {
    if (name.empty()) return false;
    for (const stComision& r : m_records) {
        if (r.kind != kind || r.name != name) continue;
        bool sameLowerBound = r.from <= from && from <= r.from;
        bool upperBoundInside = r.from <= to && to <= r.to;
        if (sameLowerBound || upperBoundInside) return false;
    }
    return true;
}
