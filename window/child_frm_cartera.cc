#include "window/child_frm_cartera.h"

#include <QShortcut>
#include <QTabBar>
#include <utility>

#include "dialogs/commission_file.h"
#include "dialogs/currency_dialog.h"
#include "dialogs/import_statement_dialog.h"
#include "framework/document.h"
#include "framework/view.h"
#include "host/message_box.h"
#include "host/strings.h"
#include "model/sistema.h"
#include "window/command_bar.h"
#include "window/doc_cartera.h"
#include "window/view_valoracion.h"
#include "window/views.h"

IMPLEMENT_DYNCREATE(CChildFrmCartera, CMDIChildWnd)

CChildFrmCartera::CChildFrmCartera() = default;

CChildFrmCartera::~CChildFrmCartera() {
    // The views and their grids go first: they point to the ledger. The tab control must
    // not report its pages leaving.
    if (m_wndTabs) m_wndTabs->disconnect(this);
    DestroyViews();
    m_pSistema.reset();
}

bool CChildFrmCartera::OnCreateClient(CCreateContext* context) {
    if (!context || !context->m_pCurrentDoc) return false;
    const cartera::Context& ctx = context->m_pCurrentDoc->GetContext();
    auto commissions = std::make_unique<CAdmComisiones>(ctx);
    cartera::dialogs::LoadCommissions(*commissions);  // a damaged file is reported here
    m_pSistema = std::make_unique<CSistemaCartera>(std::move(commissions), ctx);
    m_wndBar = new cartera::window::CommandBar(this, [this](int id) { OnCmdMsg(id); });
    m_wndBar->setObjectName(QStringLiteral("bar%1").arg(kBarId));
    m_wndTabs = new QTabWidget(this);
    m_wndTabs->setObjectName(QStringLiteral("tabs%1").arg(kTabId));
    m_wndTabs->setTabPosition(QTabWidget::South);
    m_wndTabs->setDocumentMode(true);  // flat
    m_wndTabs->setTabsClosable(false);
    m_wndTabs->tabBar()->setExpanding(false);

    struct Tab {
        const CRuntimeClass* cls;
        int label;
    };
    const Tab tabs[] = {{RUNTIME_CLASS(CViewCartera), 3377},
                        {RUNTIME_CLASS(CViewOpAbiertas), 3378},
                        {RUNTIME_CLASS(CViewOpCerradas), 3379},
                        {RUNTIME_CLASS(CViewValoracion), 3400}};
    for (const Tab& tab : tabs) {
        if (AddView(tab.cls, LS(tab.label), -1, context) == -1) return false;
        m_tabLabelIds.push_back(tab.label);
    }
    SetActiveView(dynamic_cast<CView*>(m_wndTabs->widget(0)));
    UpdateBarButtons();
    connect(m_wndTabs, &QTabWidget::currentChanged, this, [this](int i) { OnTabChanged(i); });
    // Tabs from the keyboard, wherever the focus is inside the frame.
    auto step = [this](int by) {
        int n = m_wndTabs->count();
        if (n > 0) m_wndTabs->setCurrentIndex((m_wndTabs->currentIndex() + by + n) % n);
    };
    for (auto [key, by] : {std::pair{Qt::CTRL | Qt::Key_Tab, 1},
                           {Qt::CTRL | Qt::Key_PageDown, 1},
                           {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1},
                           {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, -1},
                           {Qt::CTRL | Qt::Key_PageUp, -1}}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [step, by] { step(by); });
    }
    return true;
}

int CChildFrmCartera::AddView(const CRuntimeClass* viewClass, const std::string& label, int index,
                              CCreateContext* context) {
    CView* view = CreateView(viewClass, context, m_wndTabs);
    if (!view) return -1;
    if (context && context->m_pCurrentDoc) {
        context->m_pCurrentDoc->AddView(view);  // no-op when already attached
        OnUpdateFrameTitle();
        update();
    }
    m_wndTabs->insertTab(index < 0 ? m_wndTabs->count() : index, view,
                         QString::fromStdString(label));
    return m_wndTabs->count() - 1;
}

int CChildFrmCartera::OnCreate() {
    if (CMDIChildWnd::OnCreate() == -1) return -1;
    if (auto* first = m_wndTabs ? dynamic_cast<CView*>(m_wndTabs->widget(0)) : nullptr)
        first->setFocus();
    RecalcLayout();
    SetTimer(kIdleTimer, kIdleMilliseconds);
    return 0;
}

void CChildFrmCartera::RecalcLayout() { OnSize(0, width(), height()); }

void CChildFrmCartera::OnSize(int type, int cx, int cy) {
    if (!m_wndTabs) return;
    QRect client = rect();
    m_wndBar->resize(cx, kBarHeight);
    m_wndTabs->setGeometry(client.left(), kBarHeight, client.width(), client.height() - 27);
    m_wndTabs->update();
}

void CChildFrmCartera::OnTimer(int) {
    if (auto* doc = dynamic_cast<CDocCartera*>(GetActiveDocument())) {
        doc->RefreshIfChangedOutside();
        OnUpdateFrameTitle();  // a currency another program named
    }
    m_pSistema->DoIdle();
}

void CChildFrmCartera::Serialize(CArchive& ar) { m_pSistema->Serialize(ar); }

std::string CChildFrmCartera::GetDocumentName() const {
    CDocument* doc = GetActiveDocument();
    return doc ? doc->GetTitle() : std::string();
}

void CChildFrmCartera::OnUpdateFrameTitle() {
    CDocument* doc = GetActiveDocument();
    if (!doc) return;
    std::string title = doc->GetTitle();
    if (m_pSistema && !m_pSistema->GetCurrency().empty())
        title += " \u2014 " + m_pSistema->GetCurrency();
    SetWindowText(title + (doc->IsModified() ? " *" : ""));
}

void CChildFrmCartera::OnTabChanged(int index) {
    if (auto* view = dynamic_cast<CView*>(m_wndTabs->widget(index))) SetActiveView(view);
    UpdateBarButtons();
}

void CChildFrmCartera::UpdateBarButtons() {
    // A button whose command the active view does not handle is greyed.
    if (m_wndBar)
        m_wndBar->UpdateEnabled([this](int id) {
            bool enabled = false;
            return OnUpdateCmdUI(id, &enabled) && enabled;
        });
}

void CChildFrmCartera::OnLanguageChanged() {
    if (m_wndBar) m_wndBar->Retranslate();
    for (int i = 0; m_wndTabs && i < m_wndTabs->count(); ++i)
        if (i < static_cast<int>(m_tabLabelIds.size()))
            m_wndTabs->setTabText(i, QString::fromStdString(LS(m_tabLabelIds[i])));
    RedrawViews();
}

void CChildFrmCartera::RedrawViews() {
    for (int i = 0; m_wndTabs && i < m_wndTabs->count(); ++i) {
        if (auto* list = dynamic_cast<CViewBaseCartera*>(m_wndTabs->widget(i)))
            list->Retranslate();
        else if (auto* rating = dynamic_cast<CViewValoracion*>(m_wndTabs->widget(i)))
            rating->Retranslate();
    }
}

void CChildFrmCartera::OnNameCurrency() {
    auto* doc = dynamic_cast<CDocCartera*>(GetActiveDocument());
    PortfolioCurrencyDialog dlg(this);
    if (!doc || dlg.DoModal() != IDOK || !doc->NameCurrency(dlg.Code())) return;
    OnUpdateFrameTitle();
    RedrawViews();
}

bool CChildFrmCartera::OnFrameCommand(int id) {
    if (id == kCmdCurrency) {
        OnNameCurrency();
        return true;
    }
    if (id == kCmdImportStatement) {
        CDocument* doc = GetActiveDocument();
        cartera::dialogs::ImportStatementWithDialog(*m_pSistema, this,
                                                    doc ? doc->GetPathName() : std::string());
        return true;
    }
    auto* doc = dynamic_cast<CDocCartera*>(GetActiveDocument());
    if (!doc || (id != kCmdUndo && id != kCmdRedo)) return false;
    if (id == kCmdUndo)
        doc->Undo();
    else
        doc->Redo();
    return true;
}

bool CChildFrmCartera::OnFrameUpdateCmdUI(int id, bool* enabled) const {
    if (id == kCmdCurrency) {
        *enabled = m_pSistema && m_pSistema->GetCurrency().empty();
        return true;
    }
    if (id == kCmdImportStatement) {
        *enabled = true;
        return true;
    }
    auto* doc = dynamic_cast<CDocCartera*>(GetActiveDocument());
    if (!doc || (id != kCmdUndo && id != kCmdRedo)) return false;
    *enabled = id == kCmdUndo ? doc->History().CanUndo() : doc->History().CanRedo();
    return true;
}

std::string CChildFrmCartera::CommandText(int id) const {
    constexpr int kUndoText = 43005, kRedoText = 43006;  // "Undo %1", "Redo %1"
    auto* doc = dynamic_cast<CDocCartera*>(GetActiveDocument());
    if (!doc || (id != kCmdUndo && id != kCmdRedo)) return {};
    std::string step = id == kCmdUndo ? doc->History().UndoName() : doc->History().RedoName();
    if (step.empty()) return {};
    return cartera::FillText(LS(id == kCmdUndo ? kUndoText : kRedoText), {step});
}
