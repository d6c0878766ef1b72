// The workstation's market state in the status bar, quotes and CSV files, the welcome page
// and the portfolios kept open from one session to the next.
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStackedWidget>
#include <sstream>

#include "app/gui/welcome.h"
#include "app/gui/workstation.h"
#include "framework/document.h"
#include "framework/frame.h"
#include "framework/status.h"
#include "framework/view.h"
#include "grids/csv.h"
#include "host/env.h"
#include "host/folders.h"
#include "host/message_box.h"
#include "host/qt/feed_driver.h"
#include "host/qt/grid_view.h"
#include "host/qt/save_dialog.h"
#include "host/strings.h"
#include "model/demo.h"

namespace cartera::gui {
namespace {

const char* const kOpenFilesKey = "openFiles";
const char* const kOpenFramesKey = "openFrames";  // each open file's sub-window, same order
const char* const kActiveFileKey = "activeFile";  // the file whose window was active
const char* const kGeometryKey = "geometry";
const char* const kStateKey = "windowState";

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A command's text for a dialog title: its prompt without the ellipsis.
QString Title(int id) { return Q(ui::CommandPrompt(::LS(id))).remove(QChar(0x2026)); }

}  // namespace

// --- The market's state ---------------------------------------------------------------------

void Workstation::SetFeed(qt::FeedDriver* feed) {
    if (m_feed) disconnect(m_feed, nullptr, this, nullptr);
    m_feed = feed;
    if (m_feed) {
        connect(m_feed, &qt::FeedDriver::ticked, this, [this] { UpdateFeedLabel(); });
        connect(m_feed, &qt::FeedDriver::stateChanged, this, [this] { UpdateFeedLabel(); });
        connect(m_feed, &QObject::destroyed, this, [this] {
            m_feed = nullptr;
            UpdateFeedLabel();
        });
    }
    UpdateFeedLabel();
}

QString Workstation::FeedStateText() const {
    using Mode = qt::FeedDriver::Mode;
    Mode mode = m_feed ? m_feed->GetMode() : Mode::off;
    QString file = m_feed ? QFileInfo(m_feed->Source()).fileName() : QString();
    QString text;
    switch (mode) {
        case Mode::off:
            text = Q(::LS(40103));
            break;
        case Mode::simulated:
            text = Q(::LS(40100));
            break;
        case Mode::replay: {
            const ReplayFeed* replay = m_feed->Replay();
            text = Q(FillText(::LS(40101),
                              {file.toStdString(), std::to_string(replay ? replay->Published() : 0),
                               std::to_string(replay ? replay->Ticks().size() : 0)}));
            break;
        }
        case Mode::quotesFile:
            text = Q(FillText(::LS(40102), {file.toStdString()}));
            break;
    }
    if (m_feed && m_feed->LastTick().isValid())
        text +=
            QStringLiteral(" · ") +
            Q(FillText(::LS(40104),
                       {m_feed->LastTick().toString(QStringLiteral("HH:mm:ss")).toStdString()}));
    if (m_feed && !m_feed->QuotesError().isEmpty())
        text += QStringLiteral(" · ") + m_feed->QuotesError();
    return text;
}

void Workstation::UpdateFeedLabel() { m_feedLabel->setText(FeedStateText()); }

bool Workstation::ImportQuotes(const QString& path) {
    Status imported = m_feed ? m_feed->ImportQuotes(path) : Status(ErrorKind::bug, "-");
    if (imported.ok()) {
        ui::ShowStatusMessage(path.toStdString());
        return true;
    }
    AfxMessageBox(FillText(::LS(40109), {path.toStdString(), imported.message()}),
                  MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void Workstation::ImportQuotesWithDialog() {
    QString path =
        QFileDialog::getOpenFileName(this, Title(kCmdImportQuotes), Q(m_context.home),
                                     Q(::LS(40111)) + QStringLiteral(" (*.csv *.txt);;* (*)"));
    if (!path.isEmpty()) ImportQuotes(path);
}

// --- CSV ------------------------------------------------------------------------------------

Status Workstation::ExportActiveToCsv(const QString& path) {
    CMDIChildWnd* frame = ActiveFrame();
    CView* view = frame ? frame->GetActiveView() : nullptr;
    auto* grid = view ? view->findChild<qt::GridView*>() : nullptr;
    if (!grid || !grid->Grid()) return Status(ErrorKind::invalid_input, ::LS(40107));
    std::ostringstream csv;
    ExportGridCsv(*grid->Grid(), csv);
    Status written = m_context.env->WriteFileAtomic(path.toStdString(), csv.str());
    if (written.ok()) return written;
    return Status(written.kind(), FillText(::LS(40110), {path.toStdString(), written.message()}));
}

void Workstation::ExportCsvWithDialog() {
    CMDIChildWnd* frame = ActiveFrame();
    if (!frame) return;
    QString base = QFileInfo(Q(frame->GetDocumentName())).completeBaseName();
    QString suggested =
        QDir(Q(m_context.home)).filePath(base.isEmpty() ? "export.csv" : base + ".csv");
    QString path = qt::AskSavePath(this, Title(kCmdExportCsv), suggested, QStringLiteral("csv"));
    if (path.isEmpty()) return;
    if (Status exported = ExportActiveToCsv(path); exported.ok())
        ui::ShowStatusMessage(path.toStdString());
    else
        AfxMessageBox(exported.message(), MB_OK | MB_ICONEXCLAMATION);
}

// --- Welcome page and sessions --------------------------------------------------------------

CDocument* Workstation::OpenDemo() {
    std::string path = PortfoliosFolder(m_context) + "Demo" + PortfolioExtension();
    Status built = m_context.env->FileExists(path) ? Status() : BuildDemoPortfolio(m_context, path);
    if (!built.ok()) {
        AfxMessageBox(FillText(::LS(40110), {path, built.message()}), MB_OK | MB_ICONEXCLAMATION);
        return nullptr;
    }
    return OpenFile(path);
}

void Workstation::UpdateWelcome() {
    bool none = m_area->subWindowList().isEmpty();
    bool arriving = none && m_pages->currentWidget() != m_welcome;
    if (none) m_welcome->Refresh(RecentFiles());
    m_pages->setCurrentWidget(none ? static_cast<QWidget*>(m_welcome) : m_area);
    // The last window closed took the keyboard with it: the page takes it, so Enter opens
    // the latest portfolio.
    if (arriving || (none && !focusWidget())) m_welcome->TakeFocus();
}

QStringList Workstation::OpenFiles() const {
    QStringList files;
    for (QMdiSubWindow* sub : m_area->subWindowList()) {
        auto* frame = dynamic_cast<CMDIChildWnd*>(sub->widget());
        CDocument* doc = frame ? frame->GetActiveDocument() : nullptr;
        if (doc && !doc->GetPathName().empty()) files << Q(doc->GetPathName());
    }
    return files;
}

void Workstation::SaveSession() {
    if (!m_settings) return;
    QVariantList frames;  // a maximized sub-window is kept as an empty rectangle
    for (QMdiSubWindow* sub : m_area->subWindowList()) {
        auto* frame = dynamic_cast<CMDIChildWnd*>(sub->widget());
        CDocument* doc = frame ? frame->GetActiveDocument() : nullptr;
        if (doc && !doc->GetPathName().empty())
            frames << (sub->isMaximized() ? QRect() : sub->geometry());
    }
    m_settings->setValue(kOpenFilesKey, OpenFiles());
    CMDIChildWnd* active = ActiveFrame();
    CDocument* activeDoc = active ? active->GetActiveDocument() : nullptr;
    m_settings->setValue(kActiveFileKey, activeDoc ? Q(activeDoc->GetPathName()) : QString());
    m_settings->setValue(kOpenFramesKey, frames);
    m_settings->setValue(kGeometryKey, saveGeometry());
    m_settings->setValue(kStateKey, saveState());
}

QStringList Workstation::SessionFiles() const {
    return m_settings ? m_settings->value(kOpenFilesKey).toStringList() : QStringList();
}

bool Workstation::RestoreWindowState() {
    if (!m_settings || !restoreGeometry(m_settings->value(kGeometryKey).toByteArray()))
        return false;
    restoreState(m_settings->value(kStateKey).toByteArray());
    return true;
}

void Workstation::OpenSessionFiles() {
    const QStringList files = SessionFiles();
    const QVariantList frames = m_settings->value(kOpenFramesKey).toList();
    const QString activeFile = m_settings->value(kActiveFileKey).toString();
    QMdiSubWindow* active = nullptr;
    for (int i = 0; i < files.size(); ++i) {
        if (!m_context.env->FileExists(files[i].toStdString())) continue;
        CDocument* doc = OpenFile(files[i].toStdString());
        QRect place = i < frames.size() ? frames[i].toRect() : QRect();
        for (QMdiSubWindow* sub : m_area->subWindowList()) {
            auto* frame = dynamic_cast<CMDIChildWnd*>(sub->widget());
            if (!doc || !frame || frame->GetActiveDocument() != doc) continue;
            if (place.isValid()) {
                sub->showNormal();
                sub->setGeometry(place);
            } else {
                sub->showMaximized();
            }
            if (files[i] == activeFile) active = sub;
        }
    }
    // The window that was active comes back active, in front of the others.
    if (active) m_area->setActiveSubWindow(active);
}

}  // namespace cartera::gui
