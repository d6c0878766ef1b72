#pragma once
// A portfolio file's base: the envelope (two empty strings around a version record, the
// body's checksum and, from version 1.3 on, its length) and the ledger's body. The headless
// document of the command line and of tests; the workstation's document uses the same
// store (model/portfolio_store.h).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/error.h"
#include "model/extra_fields.h"
#include "model/links.h"
#include "model/order.h"
#include "model/portfolio_store.h"

class CArchive;
class CSistemaCartera;

namespace cartera {

// What reading a base found.
struct BaseInfo {
    bool isPortfolio = false;     // the version record was there
    int32_t minor = 0;            // the version's minor number
    std::optional<uint32_t> sum;  // the body's CRC-32C, when the file holds one
    size_t end = 0;               // where the base ends: the records start there (1.3 on)
};
// The minor version from which the body's length is written, so records can follow it; and
// the one this build writes, with exact quantities. A file of an earlier version is written
// in this one on its next save.
inline constexpr int32_t kMinorWithRecords = 3;
inline constexpr int32_t kCurrentMinor = kExtraFieldsSchema;

// Writes or reads the base of a portfolio file. Storing writes the current version; *info
// (if given) gets the body's sum. Loading reads any version this build knows and fills
// *info; without info, bytes after a current version's base are damage (only the store
// reads records). Archive errors propagate.
void SerializePortfolio(CArchive& ar, CSistemaCartera& ledger, BaseInfo* info = nullptr);

// What a sound file loaded into ledger warns of, one line each in the interface language:
// each dividend on no shares or fewer (it counts as 0), naming path and the movement's id,
// date and code.
std::vector<std::string> LoadWarnings(const std::string& path, const CSistemaCartera& ledger);

class PortfolioDocument : public ILedgerDocument {
  public:
    // Links itself to the ledger (not owned; must outlive the document); its file is read
    // and written through env (not owned, outlives the document).
    PortfolioDocument(CSistemaCartera* ledger, Env* env);
    ~PortfolioDocument() override;

    // Reads the file into the ledger (keeping the steps for restore when keepHistory). A
    // failure names the file and what is wrong: the file layer's kind when it cannot be
    // read, damaged when it is not a sound portfolio; the ledger then holds what was read.
    // What it warns of is kept in Warnings().
    [[nodiscard]] Status Load(const std::string& path, bool keepHistory = true);
    // Makes path the document's for changes appended without reading the journal
    // (PortfolioStore::OpenForAppend); false when that cannot be done.
    bool OpenForAppend(const std::string& path);
    // Writes the whole ledger to the document's path; kept backup as SaveAs.
    [[nodiscard]] Status Compact();
    // Writes the ledger to path (and makes it the document's path), keeping the version
    // it replaces at BackupPath(env, path) in the same step. On a failure (its kind also in
    // LastSaveErrorKind()) the old file and its backup are intact.
    [[nodiscard]] Status SaveAs(const std::string& path);

    // ILedgerDocument: saves to the current path (a change as one record); a failure is
    // kept in LastSaveError().
    void DoFileSave() override;
    void SaveChange(const JournalChange& change) override;
    void UpdateAllViews() override;
    std::string GetTitle() const override { return m_title; }
    void SetTitle(const std::string& title) override { m_title = title; }

    const std::string& GetPathName() const { return m_path; }
    // Empty when the last save succeeded; else its failure.
    const std::string& LastSaveError() const { return m_saveError; }
    ErrorKind LastSaveErrorKind() const { return m_saveErrorKind; }
    int SaveCount() const { return m_saves; }
    PortfolioStore& Store() { return m_store; }
    // LoadWarnings of the last Load, and a record cut short.
    const std::vector<std::string>& Warnings() const { return m_warnings; }
    // Called on every update of the views.
    void SetOnUpdate(std::function<void()> onUpdate) { m_onUpdate = std::move(onUpdate); }

  private:
    // Load's work, throwing its failure as Error.
    void LoadChecked(const std::string& path, bool keepHistory);
    void NoteSave(const Status& saved);

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
