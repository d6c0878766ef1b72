// The workstation's menus: File, Edit, the modules' menus, Window and Language. They are
// rebuilt whole when the interface language changes.
#include <QAbstractButton>
#include <QActionGroup>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSet>

#include "app/gui/workstation.h"
#include "framework/dialog_template.h"
#include "framework/frame.h"
#include "framework/module.h"
#include "framework/status.h"

namespace cartera::gui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The languages by their own names, in menu order.
struct LanguageEntry {
    Language lang;
    const char* name;
};
constexpr LanguageEntry kLanguages[] = {{Language::de, "Deutsch"},
                                        {Language::en, "English"},
                                        {Language::es, "Español"},
                                        {Language::fr, "Français"},
                                        {Language::it, "Italiano"}};

// The property naming the letter an action's mnemonic should be when its text has it free;
// such actions get theirs before the others (Exit keeps its conventional x).
constexpr char kPreferredMnemonic[] = "preferredMnemonic";

// Marks the first letter of action's text that no sibling has taken (only wanted, when given)
// as its mnemonic; false when there is none.
bool MarkFreeLetter(QAction* action, QSet<QChar>& taken, QChar wanted = QChar()) {
    QString text = action->text();
    for (int i = 0; i < text.size(); ++i) {
        QChar c = text.at(i).toLower();
        if (!c.isLetterOrNumber() || taken.contains(c)) continue;
        if (!wanted.isNull() && c != wanted) continue;
        taken.insert(c);
        action->setText(text.insert(i, QLatin1Char('&')));
        return true;
    }
    return false;
}

// Gives every item of actions that has none a mnemonic: its preferred letter, else the first
// letter of its text not taken by an earlier sibling (nor in taken). Items that have one keep
// it; submenus get theirs in turn.
void AddMnemonics(const QList<QAction*>& actions, QSet<QChar> taken = {}) {
    for (QAction* action : actions) {
        int amp = action->text().indexOf(QLatin1Char('&'));
        if (amp >= 0 && amp + 1 < action->text().size())
            taken.insert(action->text().at(amp + 1).toLower());
    }
    auto unmarked = [](QAction* action) {
        return !action->isSeparator() && !action->text().contains(QLatin1Char('&'));
    };
    for (QAction* action : actions) {
        const QVariant wanted = action->property(kPreferredMnemonic);
        if (wanted.isValid() && unmarked(action) && !MarkFreeLetter(action, taken, wanted.toChar()))
            MarkFreeLetter(action, taken);
    }
    for (QAction* action : actions) {
        if (action->menu()) AddMnemonics(action->menu()->actions());
        if (unmarked(action)) MarkFreeLetter(action, taken);
    }
}

}  // namespace

void Workstation::BuildMenus() {
    menuBar()->clear();
    m_routed.clear();
    BuildFileMenu();
    BuildEditMenu();
    BuildModuleMenus();
    BuildWindowMenu();
    BuildLanguageMenu();
    // The windows' buttons keep their letters (Alt+C is Comprar, not the Cartera menu).
    m_buttonMnemonics = FrameMnemonics();
    AddMnemonics(menuBar()->actions(), m_buttonMnemonics);
    UpdateCommandStates();
}

QSet<QChar> Workstation::FrameMnemonics() const {
    QSet<QChar> letters;
    for (CMDIChildWnd* frame : Frames())
        for (QAbstractButton* button : frame->findChildren<QAbstractButton*>()) {
            const QString text = button->text();
            const int amp = text.indexOf(QLatin1Char('&'));
            if (amp >= 0 && amp + 1 < text.size()) letters.insert(text.at(amp + 1).toLower());
        }
    return letters;
}

QAction* Workstation::AddCommand(QMenu* menu, int id, const std::string& text,
                                 std::function<void()> run) {
    QAction* action = menu->addAction(Q(text));
    std::string table = ::LS(id);
    std::string prompt = table.empty() ? text : ui::CommandPrompt(table);
    action->setStatusTip(Q(prompt).remove(QChar(0x2026)));
    action->setToolTip(Q(table.empty() ? text : ui::CommandTooltip(table)));
    connect(action, &QAction::triggered, this, std::move(run));
    return action;
}

void Workstation::BuildFileMenu() {
    QMenu* file = menuBar()->addMenu(Q(::LS(40007)));
    AddCommand(file, kCmdNew, ::LS(kCmdNew), [this] {
        NewDocument();
    })->setShortcut(QKeySequence::New);
    AddCommand(file, kCmdOpen, ::LS(kCmdOpen), [this] {
        OpenWithDialog();
    })->setShortcut(QKeySequence::Open);
    QAction* save = AddCommand(file, kCmdSave, ::LS(kCmdSave), [this] { SaveActive(); });
    save->setShortcut(QKeySequence::Save);
    m_routed.emplace_back(kCmdSave, save);
    QAction* closeAction = AddCommand(file, kCmdClose, ::LS(kCmdClose), [this] {
        if (QMdiSubWindow* sub = m_area->currentSubWindow()) sub->close();
    });
    // Our own keys: the standard Close sequence is also the sub-window menu's, and two
    // owners make it ambiguous.
    closeAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::CTRL | Qt::Key_F4)});
    m_routed.emplace_back(kCmdClose, closeAction);
    file->addSeparator();
    QAction* print =
        AddCommand(file, kCmdPrint, ::LS(kCmdPrint), [this] { SendCommand(kIdFilePrint); });
    print->setShortcut(QKeySequence::Print);
    m_routed.emplace_back(kIdFilePrint, print);
    QAction* pdf =
        AddCommand(file, kCmdExportPdf, ::LS(kCmdExportPdf), [this] { ExportActiveToPdf(); });
    m_routed.emplace_back(kCmdExportPdf, pdf);
    QAction* csv = AddCommand(file, kCmdExportCsv, ui::CommandPrompt(::LS(kCmdExportCsv)),
                              [this] { ExportCsvWithDialog(); });
    m_routed.emplace_back(kCmdExportCsv, csv);
    file->addSeparator();
    AddCommand(file, kCmdImportQuotes, ui::CommandPrompt(::LS(kCmdImportQuotes)),
               [this] { ImportQuotesWithDialog(); });
    QAction* statement =
        AddCommand(file, kCmdImportStatement, ui::CommandPrompt(::LS(kCmdImportStatement)),
                   [this] { SendCommand(kCmdImportStatement); });
    m_routed.emplace_back(kCmdImportStatement, statement);
    file->addSeparator();
    QMenu* recent = file->addMenu(Q(::LS(40005)));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { FillRecentMenu(recent); });
    FillRecentMenu(recent);
    file->addSeparator();
    // Ctrl+Q whatever the platform theme binds to Quit (some themes bind nothing).
    QList<QKeySequence> quit = QKeySequence::keyBindings(QKeySequence::Quit);
    if (!quit.contains(QKeySequence(Qt::CTRL | Qt::Key_Q)))
        quit << QKeySequence(Qt::CTRL | Qt::Key_Q);
    QAction* exit = AddCommand(file, kCmdExit, ::LS(kCmdExit), [this] { close(); });
    exit->setShortcuts(quit);
    exit->setProperty(kPreferredMnemonic, QChar(QLatin1Char('x')));
    connect(file, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
}

void Workstation::BuildEditMenu() {
    const ui::MenuTemplate* t = ui::FindMenuTemplate(kEditMenu);
    if (!t) return;
    auto lang = static_cast<int>(CurrentLanguage());
    QMenu* edit = menuBar()->addMenu(Q(t->title[lang]));
    for (const auto& item : t->items) {
        if (item.id == 0) {
            edit->addSeparator();
            continue;
        }
        int id = item.id;
        QAction* action = AddCommand(edit, id, item.texts[lang], [this, id] {
            SendCommand(id);
            UpdateCommandStates();  // the next Undo names the step this one left
        });
        if (id == kIdEditUndo) action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
        if (id == kIdEditRedo)
            action->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                  QKeySequence(Qt::CTRL | Qt::Key_Y)});
        m_routed.emplace_back(id, action);
    }
    connect(edit, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
}

void Workstation::BuildModuleMenus() {
    for (int menuId : m_registry.MenuIds()) {
        ui::MenuRecord record = m_registry.BuildMenu(menuId);
        if (record.id == 0) continue;
        QMenu* menu = menuBar()->addMenu(Q(record.title));
        for (const ui::MenuItemRecord& item : record.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            int id = item.id;
            m_routed.emplace_back(id,
                                  AddCommand(menu, id, item.text, [this, id] { SendCommand(id); }));
        }
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
    }
}

void Workstation::BuildWindowMenu() {
    QMenu* window = menuBar()->addMenu(Q(::LS(40010)));
    auto fill = [this, window] {
        window->clear();
        AddCommand(window, kCmdCascade, ::LS(kCmdCascade), [this] { Cascade(); });
        AddCommand(window, kCmdTile, ::LS(kCmdTile), [this] { m_area->tileSubWindows(); });
        FillWindowList(window);
        AddMnemonics(window->actions());
    };
    connect(window, &QMenu::aboutToShow, this, fill);
    fill();
}

void Workstation::FillWindowList(QMenu* menu) {
    const QList<QMdiSubWindow*> subs = m_area->subWindowList();
    if (subs.isEmpty()) return;
    menu->addSeparator();
    int n = 0;
    for (QMdiSubWindow* sub : subs) {
        QAction* action =
            menu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(sub->windowTitle()));
        action->setCheckable(true);
        action->setChecked(sub == m_area->currentSubWindow());
        connect(action, &QAction::triggered, this,
                [this, sub] { m_area->setActiveSubWindow(sub); });
    }
}

void Workstation::BuildLanguageMenu() {
    QMenu* menu = menuBar()->addMenu(Q(::LS(40020)));
    auto* group = new QActionGroup(menu);
    for (const LanguageEntry& entry : kLanguages) {
        QAction* action = menu->addAction(QString::fromUtf8(entry.name));
        action->setCheckable(true);
        action->setChecked(entry.lang == CurrentLanguage());
        group->addAction(action);
        Language lang = entry.lang;
        connect(action, &QAction::triggered, this, [this, lang] {
            // The menus are rebuilt: leave the menu's own signal first.
            QMetaObject::invokeMethod(
                this, [this, lang] { SetInterfaceLanguage(lang); }, Qt::QueuedConnection);
        });
    }
}

void Workstation::UpdateCommandStates() {
    CMDIChildWnd* frame = ActiveFrame();
    for (auto& [id, action] : m_routed) {
        bool enabled = frame != nullptr;
        if (frame && id != kCmdClose && id != kCmdExportPdf && id != kCmdExportCsv &&
            id != kCmdSave) {
            enabled = false;
            frame->OnUpdateCmdUI(id, &enabled);
        }
        action->setEnabled(enabled);
        // A text the frame words now ("Undo delete of …"), else the menu's own.
        if (!action->data().isValid()) action->setData(action->text());
        std::string now = frame ? frame->CommandText(id) : std::string();
        action->setText(now.empty() ? action->data().toString() : Q(now));
    }
}

}  // namespace cartera::gui
