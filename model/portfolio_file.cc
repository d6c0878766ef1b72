#include "model/portfolio_file.h"

#include "host/archive.h"
#include "host/env.h"
#include "host/version_info.h"
#include "model/entry.h"
#include "model/sistema.h"

namespace cartera {

void SerializePortfolio(CArchive& ar, CSistemaCartera& ledger, bool* isPortfolio) {
    if (ar.IsStoring()) {
        ar.WriteString("");
        CVersionInfo(ar, &ledger, 1, 0).Mark();
        ar.WriteString("");
    } else {
        ar.ReadString();
        bool mark = CVersionInfo(ar, &ledger, 1, 0).IsMark();
        if (isPortfolio) *isPortfolio = mark;
        ar.ReadString();
    }
    ledger.Serialize(ar);
}

std::unique_ptr<FileLock> LockPortfolioFile(const std::string& path, std::string* error) {
    return CurrentEnv()->LockFile(path, kLockWaitMs, error);
}

std::string BackupPath(const std::string& path) { return path + ".bak"; }

PortfolioDocument::PortfolioDocument(CSistemaCartera* ledger) : m_ledger(ledger) {
    m_ledger->SetDocumento(this);
}

PortfolioDocument::~PortfolioDocument() {
    if (m_ledger->GetDocumento() == this) m_ledger->SetDocumento(nullptr);
}

bool PortfolioDocument::Load(const std::string& path, std::string* error) {
    std::string data;
    std::string why;
    if (!CurrentEnv()->ReadFile(path, &data, &why)) {
        if (error) *error = why;
        return false;
    }
    CArchive ar{std::string_view(data)};
    bool isPortfolio = false;  // until the version record has been read
    try {
        SerializePortfolio(ar, *m_ledger, &isPortfolio);
    } catch (const CArchiveException& e) {
        if (error) {
            *error =
                path + ": " +
                (isPortfolio ? std::string(e.what()) + " at byte " + std::to_string(ar.Position())
                             : std::string("not a portfolio file"));
        }
        return false;
    }
    for (const COrderCartera& m : m_ledger->GetOrders()) {
        std::string why = UnpriceableReason(m);
        if (why.empty()) continue;
        if (error) *error = path + ": movement " + std::to_string(m.id) + ": " + why;
        return false;
    }
    m_path = path;
    m_title = path;
    UpdateAllViews();
    return true;
}

bool PortfolioDocument::SaveAs(const std::string& path, std::string* error) {
    std::string data;
    CArchive ar(&data);
    SerializePortfolio(ar, *m_ledger);
    std::string why;
    // Without a backup (a file system without hard links) the save still goes ahead: the
    // backup is a convenience, the atomic save is the guarantee.
    CurrentEnv()->KeepBackup(path, BackupPath(path), nullptr);
    if (!CurrentEnv()->WriteFileAtomic(path, data, &why)) {
        if (error) *error = why;
        return false;
    }
    ++m_saves;
    m_path = path;
    if (m_title.empty()) m_title = path;
    return true;
}

void PortfolioDocument::DoFileSave() {
    if (m_path.empty()) {
        m_saveError = "the portfolio has no file yet";
        return;
    }
    std::string error;
    if (!SaveAs(m_path, &error)) m_saveError = error;
}

void PortfolioDocument::UpdateAllViews() {
    if (m_onUpdate) m_onUpdate();
}

}  // namespace cartera
