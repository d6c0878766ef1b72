#pragma once
// A portfolio file on disk: the envelope (two empty strings around a version record) and
// the ledger's body, read whole and written atomically. The headless document of the
// command line and of tests; the workstation's document uses the same envelope.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/error.h"
#include "model/links.h"

class CArchive;
class CSistemaCartera;

namespace cartera {

class FileLock;

// Writes or reads the envelope around the ledger's body. Archive errors propagate.
// When loading, *isPortfolio (if given) tells whether the version record was found.
void SerializePortfolio(CArchive& ar, CSistemaCartera& ledger, bool* isPortfolio = nullptr);

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
    // Writes the ledger to path (and makes it the document's path), keeping the version
    // it replaces at BackupPath(path) in the same step. On a failure (its kind also in
    // LastSaveErrorKind()) the old file and its backup are intact.
    [[nodiscard]] Status SaveAs(const std::string& path);

    // ILedgerDocument: saves to the current path; a failure is kept in LastSaveError().
    void DoFileSave() override;
    void UpdateAllViews() override;
    std::string GetTitle() const override { return m_title; }
    void SetTitle(const std::string& title) override { m_title = title; }

    const std::string& GetPathName() const { return m_path; }
    // Empty when every save so far succeeded; else the last failure.
    const std::string& LastSaveError() const { return m_saveError; }
    ErrorKind LastSaveErrorKind() const { return m_saveErrorKind; }
    int SaveCount() const { return m_saves; }
    // LoadWarnings of the last Open.
    const std::vector<std::string>& Warnings() const { return m_warnings; }
    // Called on every update of the views.
    void SetOnUpdate(std::function<void()> onUpdate) { m_onUpdate = std::move(onUpdate); }

  private:
    // Load's work, throwing its failure as Error.
    void Open(const std::string& path);

    CSistemaCartera* m_ledger;
    std::string m_path;
    std::string m_title;
    std::string m_saveError;
    ErrorKind m_saveErrorKind = ErrorKind::io;
    int m_saves = 0;
    std::vector<std::string> m_warnings;
    // Kept between saves: a journal change rewrites the file into pages already mapped
    // instead of faulting in a fresh buffer the size of the file.
    std::string m_saveBuffer;
    std::function<void()> m_onUpdate;
};

}  // namespace cartera
