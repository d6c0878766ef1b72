#include "app/gui/workstation.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTranslator>

#include "app/gui/welcome.h"
#include "framework/dialog_template.h"
#include "framework/doc_template.h"
#include "framework/document.h"
#include "framework/frame.h"
#include "framework/module.h"
#include "framework/status.h"
#include "framework/view.h"
#include "host/folders.h"
#include "host/message_box.h"
#include "host/qt/feed_driver.h"
#include "host/qt/focus_return.h"
#include "host/qt/save_dialog.h"
#include "host/strings.h"

namespace cartera::gui {
namespace {

constexpr int kMaxRecentFiles = 8;
constexpr int kStatusMilliseconds = 8000;
const char* const kRecentKey = "recentFiles";

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

Workstation::Workstation(const ui::ModuleRegistry& registry, QSettings* settings, Context context)
    : m_registry(registry),
      m_settings(settings),
      m_context(std::move(context)),
      m_pages(new QStackedWidget(this)),
      m_area(new QMdiArea(m_pages)),
      m_welcome(new WelcomePage(
          {[this] { NewDocument(); }, [this] { OpenWithDialog(); }, [this] { OpenDemo(); },
           [this](const QString& path) { OpenFile(path.toStdString()); }},
          m_pages)),
      m_feedLabel(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Cartera"));
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setBackground(QColor(96, 110, 128));
    // Ctrl+F6 and Ctrl+Shift+F6 go through the portfolio windows (Ctrl+Tab is the tabs').
    for (auto [key, next] :
         {std::pair{Qt::CTRL | Qt::Key_F6, true}, {Qt::CTRL | Qt::SHIFT | Qt::Key_F6, false}}) {
        auto* cycle = new QShortcut(QKeySequence(key), this);
        connect(cycle, &QShortcut::activated, this, [this, next] {
            if (next)
                m_area->activateNextSubWindow();
            else
                m_area->activatePreviousSubWindow();
        });
    }
    m_pages->addWidget(m_welcome);
    m_pages->addWidget(m_area);
    setCentralWidget(m_pages);
    m_feedLabel->setObjectName(QStringLiteral("feedState"));
    statusBar()->addPermanentWidget(m_feedLabel);
    connect(m_area, &QMdiArea::subWindowActivated, this, [this] { UpdateCommandStates(); });
    // A shortcut of a greyed action does nothing, and a change of the journal (a sheet, a
    // question, an import) tells the window nothing: the states are brought up to date
    // just before a key is matched against the shortcuts.
    m_shortcutWatch = std::make_unique<ShortcutWatch>([this] { UpdateCommandStates(); });
    qApp->installEventFilter(m_shortcutWatch.get());
    new qt::FocusReturn(this);  // after any dialog, the keys go back where they were

    for (const ui::DocTypeRecord& type : registry.DocTypes()) {
        const CRuntimeClass* doc = registry.FindClass(type.docClass);
        const CRuntimeClass* frame = registry.FindClass(type.frameClass);
        const CRuntimeClass* view = registry.FindClass(type.viewClass);
        if (!doc || !frame || !view) continue;
        auto tmpl = std::make_unique<CDocTemplate>(type.menuId, doc, frame, view, type.docString,
                                                   m_context);
        tmpl->SetFrameHost([this](CMDIChildWnd* f) { HostFrame(f); });
        tmpl->SetRecentFileHandler([this](const std::string& path) { AddRecentFile(path); });
        m_templates.push_back(std::move(tmpl));
    }
    ui::SetStatusHandler([this](const std::string& text) {
        statusBar()->showMessage(Q(text), kStatusMilliseconds);
    });
    BuildMenus();
    // F10 opens the first menu, as on other desktops.
    auto* menuKey = new QAction(this);
    menuKey->setShortcut(QKeySequence(Qt::Key_F10));
    connect(menuKey, &QAction::triggered, this, [this] {
        if (!menuBar()->actions().isEmpty())
            menuBar()->setActiveAction(menuBar()->actions().first());
    });
    addAction(menuKey);
    ShowReady();
    UpdateFeedLabel();
    UpdateWelcome();
}

Workstation::~Workstation() {
    m_shortcutWatch.reset();
    ui::SetStatusHandler({});
    // Frames before templates: a closing frame hands its document back to its template.
    const QList<QMdiSubWindow*> subs = m_area->subWindowList();
    for (QMdiSubWindow* sub : subs) delete sub;
    // Also a frame whose sub-window the area no longer lists (one being closed).
    std::vector<CMDIChildWnd*> left;  // frames hold no frames: each is deleted once
    for (QWidget* widget : findChildren<QWidget*>())
        if (auto* frame = dynamic_cast<CMDIChildWnd*>(widget)) left.push_back(frame);
    for (CMDIChildWnd* frame : left) delete frame;
}

// --- Documents ------------------------------------------------------------------------------

CDocument* Workstation::OpenFile(const std::string& path) {
    CDocTemplate* chosen = m_templates.empty() ? nullptr : m_templates.front().get();
    QString suffix = QStringLiteral(".") + QFileInfo(Q(path)).suffix();
    for (const auto& tmpl : m_templates) {
        std::string ext;
        if (tmpl->GetDocString(ext, CDocTemplate::filterExt) && Q(ext) == suffix)
            chosen = tmpl.get();
    }
    if (!chosen) return nullptr;
    CDocument* doc = chosen->OpenDocumentFile(QFileInfo(Q(path)).absoluteFilePath().toStdString());
    if (!doc) ui::ShowStatusMessage(::LS(40031));
    if (doc && m_feed) m_feed->Refresh();  // its securities' quotes now, not at the next look
    UpdateCommandStates();
    return doc;
}

CDocument* Workstation::NewDocument() {
    if (m_templates.empty()) return nullptr;
    CDocument* doc = m_templates.front()->OpenDocumentFile("");
    UpdateCommandStates();
    return doc;
}

CMDIChildWnd* Workstation::ActiveFrame() const {
    QMdiSubWindow* sub = m_area->currentSubWindow();
    return sub ? dynamic_cast<CMDIChildWnd*>(sub->widget()) : nullptr;
}

std::vector<CMDIChildWnd*> Workstation::Frames() const {
    std::vector<CMDIChildWnd*> frames;
    for (QMdiSubWindow* sub : m_area->subWindowList())
        if (auto* frame = dynamic_cast<CMDIChildWnd*>(sub->widget())) frames.push_back(frame);
    return frames;
}

bool Workstation::SaveActive() {
    CMDIChildWnd* frame = ActiveFrame();
    CDocument* doc = frame ? frame->GetActiveDocument() : nullptr;
    return doc && doc->OnFileSave();
}

bool Workstation::SendCommand(int id) {
    CMDIChildWnd* frame = ActiveFrame();
    return frame && frame->OnCmdMsg(id);
}

void Workstation::HostFrame(CMDIChildWnd* frame) {
    bool first = m_area->subWindowList().isEmpty();
    QMdiSubWindow* sub = m_area->addSubWindow(frame);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->installEventFilter(this);
    sub->setWindowTitle(frame->windowTitle());
    // The File menu's Close owns Ctrl+W and Ctrl+F4.
    for (QAction* action : sub->systemMenu()->actions()) action->setShortcut(QKeySequence());
    connect(sub, &QObject::destroyed, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { UpdateWelcome(); }, Qt::QueuedConnection);
    });
    UpdateWelcome();
    // The menu bar's letters make way for the new window's buttons.
    if (!m_buttonMnemonics.contains(FrameMnemonics())) BuildMenus();
    // A new window joins maximised windows maximised.
    QMdiSubWindow* current = m_area->currentSubWindow();
    if (first || (current && current != sub && current->isMaximized())) {
        sub->showMaximized();
    } else {
        sub->resize(960, 600);
        sub->show();
        PlaceInside(sub);
    }
}

void Workstation::PlaceInside(QMdiSubWindow* sub) {
    QSize room = m_area->viewport()->size();
    if (room.isEmpty()) return;
    QRect r = sub->geometry();
    r.setSize(r.size().boundedTo(room));
    r.moveLeft(std::clamp(r.left(), 0, room.width() - r.width()));
    r.moveTop(std::clamp(r.top(), 0, room.height() - r.height()));
    sub->setGeometry(r);
}

bool Workstation::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close) {
        auto* sub = qobject_cast<QMdiSubWindow*>(watched);
        auto* frame = sub ? dynamic_cast<CMDIChildWnd*>(sub->widget()) : nullptr;
        CDocument* doc = frame ? frame->GetActiveDocument() : nullptr;
        bool keep = doc && doc->IsModified() &&
                    AfxMessageBox(cartera::FillText(::LS(40087), {doc->GetTitle()}),
                                  MB_YESNO | MB_ICONQUESTION) == IDYES &&
                    !doc->OnFileSave();
        if (keep || (doc && !doc->OnCloseObject())) {
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Workstation::closeEvent(QCloseEvent* event) {
    SaveSession();  // before the windows go: the portfolios open now open at the next start
    const QList<QMdiSubWindow*> subs = m_area->subWindowList();
    for (QMdiSubWindow* sub : subs) {
        if (!sub->close()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void Workstation::OpenWithDialog() {
    QStringList filters;
    for (const auto& tmpl : m_templates) {
        std::string name, ext;
        if (tmpl->GetDocString(ext, CDocTemplate::filterExt)) {
            tmpl->GetDocString(name, CDocTemplate::filterName);
            filters << Q(name.empty() ? "*" + ext : name);
        }
    }
    filters << QStringLiteral("* (*)");
    QString path = QFileDialog::getOpenFileName(
        this, Q(ui::CommandPrompt(::LS(kCmdOpen))).remove(QChar(0x2026)),
        Q(PortfoliosFolder(m_context)), filters.join(QStringLiteral(";;")));
    if (!path.isEmpty()) OpenFile(path.toStdString());
}

void Workstation::ExportActiveToPdf() {
    CMDIChildWnd* frame = ActiveFrame();
    CView* view = frame ? frame->GetActiveView() : nullptr;
    if (!view) return;
    QString base = QFileInfo(Q(frame->GetDocumentName())).completeBaseName();
    QString suggested =
        QDir(Q(m_context.home)).filePath(base.isEmpty() ? "export.pdf" : base + ".pdf");
    QString path = qt::AskSavePath(this, Q(::LS(kCmdExportPdf)).remove(QChar(0x2026)), suggested,
                                   QStringLiteral("pdf"));
    if (path.isEmpty()) return;
    if (Status exported = view->ExportToPdf(path.toStdString()); exported.ok())
        ui::ShowStatusMessage(path.toStdString());
    else
        AfxMessageBox(exported.message(), MB_OK | MB_ICONEXCLAMATION);
}

// --- Recent files ---------------------------------------------------------------------------

QStringList Workstation::RecentFiles() const {
    return m_settings ? m_settings->value(kRecentKey).toStringList() : QStringList();
}

void Workstation::AddRecentFile(const std::string& path) {
    if (!m_settings) return;
    QStringList files = RecentFiles();
    files.removeAll(Q(path));
    files.prepend(Q(path));
    while (files.size() > kMaxRecentFiles) files.removeLast();
    m_settings->setValue(kRecentKey, files);
}

void Workstation::FillRecentMenu(QMenu* menu) {
    menu->clear();
    int n = 0;
    for (const QString& path : RecentFiles()) {
        if (!m_context.env->FileExists(path.toStdString())) continue;
        QAction* action = menu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(path));
        connect(action, &QAction::triggered, this, [this, path] { OpenFile(path.toStdString()); });
    }
    if (n == 0) menu->addAction(QStringLiteral("-"))->setEnabled(false);
}

// --- Language -------------------------------------------------------------------------------

void Workstation::LoadQtTranslations(Language lang) {
    static std::unique_ptr<QTranslator> installed;
    if (installed) QCoreApplication::removeTranslator(installed.get());
    installed = std::make_unique<QTranslator>();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (lang == Language::en ||
        !installed->load(QStringLiteral("qtbase_") + QString::fromLatin1(LanguageCode(lang)),
                         folder)) {
        installed.reset();
        return;
    }
    QCoreApplication::installTranslator(installed.get());
}

void Workstation::SetInterfaceLanguage(Language lang) {
    SetLanguage(lang);
    LoadQtTranslations(lang);
    if (m_settings) m_settings->setValue("language", QString::fromLatin1(LanguageCode(lang)));
    m_registry.NotifyLanguageChanged();  // the windows' buttons first: the menus avoid them
    BuildMenus();
    ShowReady();
    UpdateFeedLabel();
    UpdateWelcome();
}

void Workstation::Cascade() {
    QSize size = m_area->viewport()->size() * 2 / 3;
    size = size.expandedTo(QSize(480, 320)).boundedTo(m_area->viewport()->size());
    int step = style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4;
    QPoint at(0, 0);
    for (QMdiSubWindow* sub : m_area->subWindowList()) {
        sub->showNormal();
        sub->setGeometry(QRect(at, size));
        sub->raise();
        at += QPoint(step, step);
        if (at.y() + size.height() > m_area->viewport()->height()) at = QPoint(0, 0);
    }
    if (QMdiSubWindow* active = m_area->currentSubWindow()) active->raise();
}

void Workstation::ShowReady() { statusBar()->showMessage(Q(::LS(40030))); }

}  // namespace cartera::gui
