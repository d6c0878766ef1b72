#pragma once
// The workstation's main window: an MDI area holding any number of document frames side by
// side, the File, Edit, module, Window and Language menus, and a status bar. It knows the
// documents only through the document templates it makes from the modules' records.
#include <QEvent>
#include <QMainWindow>
#include <QSet>
#include <QSettings>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/context.h"
#include "host/error.h"
#include "host/strings.h"

class CDocTemplate;
class CDocument;
class CMDIChildWnd;
class QMdiArea;
class QMdiSubWindow;
class QLabel;
class QMenu;
class QStackedWidget;

namespace cartera::ui {
class ModuleRegistry;
}
namespace cartera::qt {
class FeedDriver;
}

namespace cartera::gui {

class WelcomePage;

class Workstation : public QMainWindow {
  public:
    // Our own command ids of the File and Window menus.
    enum Command {
        kCmdNew = 40000,
        kCmdOpen = 40001,
        kCmdClose = 40002,
        kCmdSave = 40008,
        kCmdPrint = 40003,
        kCmdExportPdf = 40004,
        kCmdExit = 40006,
        kCmdImportQuotes = 40105,
        kCmdExportCsv = 40106,
        kCmdImportStatement = 40140,  // the portfolio's frame handles it
        kCmdCascade = 40011,
        kCmdTile = 40012,
    };
    // The framework's command ids the menus send to the active frame.
    static constexpr int kIdFilePrint = 57607;
    static constexpr int kIdEditClear = 57632;
    static constexpr int kIdEditUndo = 57643;
    static constexpr int kIdEditRedo = 57644;
    static constexpr int kEditMenu = 1;

    // registry holds the loaded modules (not owned; must outlive the window). settings keeps
    // the language and the recent files (not owned). context names the files, home folder
    // and language the window works with (copied; its file system outlives the window).
    Workstation(const ui::ModuleRegistry& registry, QSettings* settings, Context context);
    // Closes every frame before the templates go.
    ~Workstation() override;

    // Opens path with the template of its extension; null when it fails (the document
    // framework has said why).
    CDocument* OpenFile(const std::string& path);
    // A new document of the first template (the portfolio name dialog asks the name).
    CDocument* NewDocument();
    // The demo portfolio in the home's portfolios folder, written first when it is not
    // there; null when it cannot be written or opened.
    CDocument* OpenDemo();
    // Switches the interface language: menus, status bar, every open frame and Qt's texts.
    void SetInterfaceLanguage(Language lang);
    // Qt's own texts (message box buttons, the file dialogs) in lang, from Qt's translations
    // folder; English when it holds none for lang.
    static void LoadQtTranslations(Language lang);

    // The feed whose state the status bar shows (not owned; null shows the market as off).
    void SetFeed(qt::FeedDriver* feed);
    // The market's state as the status bar shows it.
    QString FeedStateText() const;
    QLabel* FeedLabel() const { return m_feedLabel; }
    // Reads a quotes file once into the market; a message says why when it cannot.
    bool ImportQuotes(const QString& path);
    // Writes the active tab's grid as CSV, as the command line's export does: invalid_input
    // without an active tab, the file's error when it cannot be written.
    Status ExportActiveToCsv(const QString& path);

    // The portfolios open now, in window order.
    QStringList OpenFiles() const;
    // Remembers for the next start OpenFiles(), each one's sub-window geometry (or that it
    // was maximized) and the main window's geometry and state.
    void SaveSession();
    // The portfolios open when the last session ended.
    QStringList SessionFiles() const;
    // The main window's geometry and state as the last session left them; false, nothing
    // changed, when none was kept.
    bool RestoreWindowState();
    // Opens SessionFiles() that still exist, each in the sub-window place it was left in.
    void OpenSessionFiles();
    WelcomePage* Welcome() const { return m_welcome; }

    QMdiArea* Area() const { return m_area; }
    // The frame of the active sub-window; null without one.
    CMDIChildWnd* ActiveFrame() const;
    std::vector<CMDIChildWnd*> Frames() const;
    const std::vector<std::unique_ptr<CDocTemplate>>& Templates() const { return m_templates; }
    // File › Save: the active frame's document to its file; false when there is none or the
    // save failed (the document has said why).
    bool SaveActive();
    // Routes a command to the active frame; false when nobody handles it.
    bool SendCommand(int id);
    QStringList RecentFiles() const;

  protected:
    // Remembers the open portfolios, then closes every frame: a window holding unsaved
    // changes asks about them, and one kept open keeps the workstation open.
    void closeEvent(QCloseEvent* event) override;
    // Asks a frame's document whether it may close before its sub-window goes; a document
    // holding changes its file lacks asks first whether to save them.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildMenus();
    // The mnemonic letters of the open windows' buttons (their command bars).
    QSet<QChar> FrameMnemonics() const;
    void BuildFileMenu();
    void BuildEditMenu();
    void BuildModuleMenus();
    void BuildWindowMenu();
    void BuildLanguageMenu();
    QAction* AddCommand(QMenu* menu, int id, const std::string& text, std::function<void()> run);
    void UpdateCommandStates();
    void HostFrame(CMDIChildWnd* frame);
    void AddRecentFile(const std::string& path);
    void FillRecentMenu(QMenu* menu);
    void FillWindowList(QMenu* menu);
    void OpenWithDialog();
    void ExportActiveToPdf();
    void ExportCsvWithDialog();
    void ImportQuotesWithDialog();
    void UpdateFeedLabel();
    // The welcome page while no portfolio is open, the windows otherwise.
    void UpdateWelcome();
    // Keeps a new sub-window inside the area's visible part.
    void PlaceInside(QMdiSubWindow* sub);
    void ShowReady();
    // Cascades the sub-windows at a size that shows their contents: two thirds of the area,
    // each one a title bar lower and to the right.
    void Cascade();

    const ui::ModuleRegistry& m_registry;
    QSettings* m_settings;
    Context m_context;
    QStackedWidget* m_pages;
    QMdiArea* m_area;
    WelcomePage* m_welcome;
    QLabel* m_feedLabel;
    qt::FeedDriver* m_feed = nullptr;
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    QSet<QChar> m_buttonMnemonics;  // what the menu bar's letters were given around
    // Actions whose state follows the active frame, by command id.
    std::vector<std::pair<int, QAction*>> m_routed;
    // Runs a callback before every key is matched against the shortcuts.
    class ShortcutWatch : public QObject {
      public:
        explicit ShortcutWatch(std::function<void()> run) : m_run(std::move(run)) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::ShortcutOverride) m_run();
            return false;
        }

      private:
        std::function<void()> m_run;
    };
    std::unique_ptr<ShortcutWatch> m_shortcutWatch;
};

}  // namespace cartera::gui
