#pragma once
// The portfolio document. It holds no portfolio data: the ledger belongs to the frame and is
// reached through the first view. It names and creates new portfolio files, and wraps the
// ledger's body in the file envelope when the portfolio is written or read.
#include <string>

#include "model/links.h"
#include "window/framework/document.h"

class CSistemaCartera;

class CDocCartera : public CDocument, public ILedgerDocument {
    DECLARE_DYNCREATE(CDocCartera)

  public:
    // The host's object-type code of a portfolio.
    static constexpr int kObjectType = 12;

    CDocCartera() = default;

    // Asks the name, builds the path in the portfolio folder, asks before overwriting an
    // existing file and saves an empty portfolio there at once. False when any step fails.
    bool OnNewDocument() override;
    // The envelope and the ledger's body, then every view updates. Archive errors propagate.
    void Serialize(CArchive& ar) override;
    int GetObjectType(int kind) const override { return kObjectType; }
    bool OnCloseObject() override;

    // ILedgerDocument. A failed save shows a message naming the file.
    void DoFileSave() override;
    void UpdateAllViews() override { CDocument::UpdateAllViews(nullptr, 0, nullptr); }
    using CDocument::UpdateAllViews;
    std::string GetTitle() const override { return CDocument::GetTitle(); }
    void SetTitle(const std::string& title) override { CDocument::SetTitle(title); }

    // 1 once this run created the portfolio's file.
    int IsCreatedAsNew() const { return m_bCreatedAsNew; }
    // The frame's ledger, through the first view; null without views.
    CSistemaCartera* GetLedger() const;

  protected:
    std::string DescribeLoadError(const CArchiveException& e, size_t position) const override;

  private:
    int m_bCreatedAsNew = 0;
    bool m_versionMarkRead = false;  // the last load found the version record
};
