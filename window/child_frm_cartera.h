#pragma once
// The frame of one portfolio: it owns the ledger, shows the command bar on top and a tab
// control with the four portfolio views below, and runs the ledger's idle work on a timer.
#include <QTabWidget>
#include <memory>
#include <string>
#include <vector>

#include "framework/frame.h"

class CSistemaCartera;

namespace cartera::window {
class CommandBar;
}

class CChildFrmCartera : public CMDIChildWnd {
    DECLARE_DYNCREATE(CChildFrmCartera)

  public:
    static constexpr int kBarTemplate = 3367;
    static constexpr int kBarId = 1000;
    static constexpr int kTabId = 1;
    static constexpr int kBarHeight = 28;
    static constexpr int kIdleTimer = 100;
    static constexpr int kIdleMilliseconds = 1500;
    // File › Import statement…, from whichever tab is active.
    static constexpr int kCmdImportStatement = 40140;
    static constexpr int kCmdUndo = 57643;
    static constexpr int kCmdRedo = 57644;
    // Portfolio › Currency…: names the currency of a portfolio that has none.
    static constexpr int kCmdCurrency = 33763;

    // The ledger comes with the client area (OnCreateClient), which names the document.
    CChildFrmCartera();
    // Destroys the views, then the ledger.
    ~CChildFrmCartera() override;

    QTabWidget* GetTabWnd() const { return m_wndTabs; }
    // Null until OnCreateClient made it.
    CSistemaCartera* GetAdmCartera() const { return m_pSistema.get(); }
    cartera::window::CommandBar* GetCommandBar() const { return m_wndBar; }

    // Creates a view of viewClass in the tab control and inserts it as a tab with label at
    // index (-1 appends). Returns the new tab's position (the number of tabs minus one), or
    // -1 when the view cannot be created.
    int AddView(const CRuntimeClass* viewClass, const std::string& label, int index,
                CCreateContext* context);

    // Hands the archive to the ledger.
    void Serialize(CArchive& ar) override;
    // The ledger, on the document's context with its commission file loaded (a damaged one
    // is reported and the schedules read before the damage are used); then the command
    // bar, tab control and the four views, movements active. False without a document.
    bool OnCreateClient(CCreateContext* context) override;
    // Focus to the first view, layout, idle timer.
    int OnCreate() override;
    void OnSize(int type, int cx, int cy) override;
    // Every timer, whatever its id, brings in what another program saved to the portfolio
    // file, then runs the ledger's idle work.
    void OnTimer(int id) override;
    // The title of the active document.
    std::string GetDocumentName() const override;
    // The document's title, then the portfolio's currency once it is named ("Name — EUR"),
    // then " *" while changes are unsaved.
    void OnUpdateFrameTitle() override;
    // Bar texts, tab labels and grid headings in the new language.
    void OnLanguageChanged() override;
    // "Undo delete of B SAN.MC 100", "Redo …".
    std::string CommandText(int id) const override;

  protected:
    // Undo and Redo of the document's journal changes; File › Import statement…; the
    // portfolio's currency, offered while it has none.
    bool OnFrameCommand(int id) override;
    bool OnFrameUpdateCmdUI(int id, bool* enabled) const override;

  private:
    // The currency dialog, then the portfolio's currency named in the title and the views.
    void OnNameCurrency();
    // Every view shows again what the ledger holds, in the interface language.
    void RedrawViews();
    void OnTabChanged(int index);
    void UpdateBarButtons();
    void RecalcLayout();

    QTabWidget* m_wndTabs = nullptr;
    cartera::window::CommandBar* m_wndBar = nullptr;
    std::unique_ptr<CSistemaCartera> m_pSistema;
    std::vector<int> m_tabLabelIds;  // string ids of the tab labels, by position
};
