#include "window/test_support.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimerEvent>
#include <cstdlib>
#include <ctime>

#include "dialogs/comision_editor.h"
#include "dialogs/currency_dialog.h"
#include "dialogs/dlg_nombre_cartera.h"
#include "dialogs/dlg_nuevo_nombre.h"
#include "dialogs/property_page_base.h"
#include "framework/doc_template.h"
#include "framework/status.h"
#include "host/dates.h"
#include "host/feed.h"
#include "host/folders.h"
#include "host/grid/table_grid.h"
#include "host/message_box.h"
#include "host/qt/grid_view.h"
#include "model/portfolio_file.h"
#include "model/sistema.h"
#include "window/child_frm_cartera.h"
#include "window/doc_cartera.h"
#include "window/view_valoracion.h"
#include "window/views.h"

namespace cartera::window::testing {

WindowTest::WindowTest() {
    setenv("TZ", "UTC", 1);
    tzset();
    hooks.Keep(&CDlgNombreCartera::SetRunner);
    hooks.Keep(&PortfolioCurrencyDialog::SetRunner);
    hooks.Keep(&CSheetComision::SetRunner);
    hooks.Keep(&CPropertySheetBase::SetRunner);
    hooks.Keep(&CDlgNuevoNombre::SetRunner);
    hooks.Keep(&SetSheets);
    hooks.Keep(&ui::SetStatusHandler);
    CMarketService::SetCurrent(&m_market);
    LoadEmbeddedCatalogue(m_market);
    SetMessageBoxHandler([this](const std::string& text, unsigned type) {
        m_messages.push_back(text);
        return (type & 0xF) == MB_YESNO ? m_answer : IDOK;
    });
    m_template = std::make_unique<CDocTemplate>(
        3371, RUNTIME_CLASS(CDocCartera), RUNTIME_CLASS(CChildFrmCartera),
        RUNTIME_CLASS(CViewCartera), "\nPortfolio\nPortfolio\nPortfolio files\n.cartera", m_ctx);
}

WindowTest::~WindowTest() {
    m_files.Redirect(PosixEnv());  // a test's own file system is gone: the windows close on disk
    for (CDocument* doc : m_template->GetDocuments()) delete m_template->FindFrame(doc);
    m_template.reset();
}

std::string WindowTest::PortfolioPath(const std::string& name) const {
    return GetPMngFullPath(m_ctx, ORVO_PATH_PORTFOLIOS) + name + ".cartera";
}

std::string WindowTest::WritePortfolio(const std::string& name,
                                       const std::vector<COrderCartera>& movements) {
    std::string path = PortfolioPath(name);
    CSistemaCartera ledger{m_ctx};
    PortfolioDocument doc(&ledger, m_ctx.env);
    EXPECT_EQ(doc.SaveAs(path).message(), "");
    ledger.AddOrders(movements);
    EXPECT_EQ(doc.LastSaveError(), "");
    return path;
}

CDocCartera* WindowTest::Open(const std::string& path) {
    return dynamic_cast<CDocCartera*>(m_template->OpenDocumentFile(path));
}

CDocCartera* WindowTest::CreateNew(const std::string& name) {
    CDlgNombreCartera::SetRunner([name](CDlgNombreCartera& dlg) {
        dlg.NameEdit()->setText(QString::fromStdString(name));
        (name.empty() ? dlg.CancelButton() : dlg.OkButton())->click();
        return dlg.result() == QDialog::Accepted ? IDOK : IDCANCEL;
    });
    return dynamic_cast<CDocCartera*>(m_template->OpenDocumentFile(""));
}

CChildFrmCartera* WindowTest::FrameOf(CDocument* doc) {
    return doc && doc->GetDocTemplate()
               ? dynamic_cast<CChildFrmCartera*>(doc->GetDocTemplate()->FindFrame(doc))
               : nullptr;
}

template <class View>
View* Tab(CChildFrmCartera* frame, int index) {
    return dynamic_cast<View*>(frame->GetTabWnd()->widget(index));
}
CViewCartera* WindowTest::Movements(CChildFrmCartera* f) { return Tab<CViewCartera>(f, 0); }
CViewOpAbiertas* WindowTest::OpenTrades(CChildFrmCartera* f) { return Tab<CViewOpAbiertas>(f, 1); }
CViewOpCerradas* WindowTest::ClosedTrades(CChildFrmCartera* f) {
    return Tab<CViewOpCerradas>(f, 2);
}
CViewValoracion* WindowTest::Rating(CChildFrmCartera* f) { return Tab<CViewValoracion>(f, 3); }

void WindowTest::SendTimer(CChildFrmCartera* frame, int id) {
    QTimerEvent event(id);
    QCoreApplication::sendEvent(frame, &event);
}

namespace {
std::string IdText(uint64_t id) { return id == kNoId ? "-" : std::to_string(id); }
std::string IdOf(const CNegocioC* t) { return t ? IdText(t->id) : "-"; }
std::string IdOf(const COrderCartera* m) { return m ? IdText(m->id) : "-"; }
}  // namespace

void RecordingSheets::RunBuySell(CSistemaCartera&, int caption, int buy, CNegocioC* trade,
                                 COrderCartera* movement) {
    calls.push_back("buysell " + std::to_string(caption) + " " + std::to_string(buy) + " " +
                    IdOf(trade) + " " + IdOf(movement));
}
void RecordingSheets::RunOther(CSistemaCartera&, int caption, COrderCartera* movement) {
    calls.push_back("other " + std::to_string(caption) + " - - " + IdOf(movement));
}
void RecordingSheets::RunCommissions(CSistemaCartera&, int caption) {
    calls.push_back("commissions " + std::to_string(caption));
}

CChildFrmCartera* SheetsTest::OpenSample(std::vector<COrderCartera> movements) {
    int d = DateNumber(2026, 2, 9);
    if (movements.empty())
        movements = {Cash(kImposition, 1, 5000, d), Exec(true, "BBVA.MC", 50, 9.5, 0.0, d),
                     Cash(kDividend, 1, 12.5, d), Exec(true, "REP.MC", 20, 14.0, 0.0, d)};
    CChildFrmCartera* frame = FrameOf(Open(WritePortfolio("Sample", movements)));
    EXPECT_NE(frame, nullptr);
    if (frame) {
        frame->resize(900, 500);
        frame->show();
    }
    return frame;
}

std::string ShownText(const qt::GridView* view, int row, int col) {
    QAbstractItemModel* model = view->model();
    return model->data(model->index(row, col), Qt::DisplayRole).toString().toStdString();
}

int ColumnOf(CUGCtrl& grid, int headingId) {
    auto* table = dynamic_cast<CBaseGrid*>(&grid);
    return table ? table->GetHeader().GetPosition(headingId) : -1;
}

std::vector<std::string> ShownRowsText(const qt::GridView* view) {
    std::vector<std::string> rows;
    int cols = view->model()->columnCount();
    for (int r = 0; r < view->model()->rowCount(); ++r) {
        std::string line;
        for (int c = 0; c < cols; ++c) line += (c ? "|" : "") + ShownText(view, r, c);
        rows.push_back(line);
    }
    return rows;
}

int RowShowing(const qt::GridView* view, int col, const std::string& text) {
    for (int row = 0; row < view->model()->rowCount(); ++row)
        if (ShownText(view, row, col) == text) return row;
    return -1;
}

namespace {

// A right button click followed by the context menu event the window system sends with it.
void RightClick(QWidget* widget, const QPoint& at) {
    QTest::mouseClick(widget, Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QCoreApplication::sendEvent(widget, &event);
}

QPoint CellCentre(qt::GridView* view, int row, int col) {
    view->scrollTo(view->model()->index(row, col));
    return view->visualRect(view->model()->index(row, col)).center();
}

}  // namespace

void ClickCell(qt::GridView* view, int row, int col) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CellCentre(view, row, col));
}

QMenu* RightClickCell(qt::GridView* view, int row, int col) {
    RightClick(view->viewport(), CellCentre(view, row, col));
    return view->ActiveContextMenu();
}

QMenu* RightClickHeading(qt::GridView* view, int col) {
    QHeaderView* heading = view->horizontalHeader();
    QPoint at(heading->sectionViewportPosition(col) + heading->sectionSize(col) / 2,
              heading->height() / 2);
    RightClick(heading->viewport(), at);
    return view->ActiveContextMenu();
}

void ClickMenu(QMenu* menu, const std::vector<std::string>& path) {
    for (const std::string& text : path) {
        ASSERT_NE(menu, nullptr) << text;
        QAction* found = nullptr;
        for (QAction* action : menu->actions())
            if (action->text().remove(QLatin1Char('&')).toStdString() == text) found = action;
        ASSERT_NE(found, nullptr) << text;
        // The pointer rests on the item, then Return chooses it (or opens its submenu).
        QTest::mouseMove(menu, menu->actionGeometry(found).center());
        if (menu->activeAction() != found) menu->setActiveAction(found);
        QMenu* submenu = found->menu();
        QTest::keyClick(menu, Qt::Key_Return);
        menu = submenu;
    }
    QCoreApplication::processEvents();  // the chosen command runs from the event loop
}

}  // namespace cartera::window::testing
