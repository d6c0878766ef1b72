#include "framework/frame.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QResizeEvent>
#include <QTimerEvent>

#include "framework/doc_template.h"
#include "framework/document.h"
#include "framework/view.h"

IMPLEMENT_DYNAMIC(CMDIChildWnd, CObject)

CMDIChildWnd::CMDIChildWnd() { setAttribute(Qt::WA_DeleteOnClose, false); }

CMDIChildWnd::~CMDIChildWnd() {
    DestroyViews();
    if (m_pDocument && m_pDocument->GetDocTemplate())
        m_pDocument->GetDocTemplate()->OnFrameDestroyed(this, m_pDocument);
}

bool CMDIChildWnd::LoadFrame(CCreateContext* context) {
    if (context) m_pDocument = context->m_pCurrentDoc;
    if (!OnCreateClient(context)) return false;
    return OnCreate() != -1;
}

bool CMDIChildWnd::OnCreateClient(CCreateContext* context) {
    if (!context || !context->m_pNewViewClass) return false;
    CView* view = CreateView(context->m_pNewViewClass, context, this);
    if (!view) return false;
    view->setGeometry(rect());
    SetActiveView(view);
    return true;
}

void CMDIChildWnd::OnSize(int, int cx, int cy) {
    // The default client: one view filling the frame.
    if (m_pActiveView && m_pActiveView->parentWidget() == this)
        m_pActiveView->setGeometry(0, 0, cx, cy);
}

std::string CMDIChildWnd::GetDocumentName() const {
    CDocument* doc = GetActiveDocument();
    return doc ? doc->GetTitle() : std::string();
}

CView* CMDIChildWnd::CreateView(const CRuntimeClass* cls, CCreateContext* context,
                                QWidget* parent) {
    // Owned by its parent widget once parented.
    CView* view = CreateObjectAs<CView>(cls, RUNTIME_CLASS(CView)).release();
    if (!view) return nullptr;
    view->setParent(parent ? parent : this);
    view->m_pFrame = this;
    m_views.push_back(view);
    if (context && context->m_pCurrentDoc) context->m_pCurrentDoc->AddView(view);
    if (view->OnCreate(context) == -1) {
        delete view;
        return nullptr;
    }
    return view;
}

void CMDIChildWnd::DestroyViews() {
    m_pActiveView = nullptr;
    std::vector<CView*> views = std::move(m_views);
    m_views.clear();
    for (CView* view : views) {
        view->m_pFrame = nullptr;
        if (CDocument* doc = view->GetDocument()) doc->RemoveView(view);
        delete view;
    }
}

void CMDIChildWnd::SetActiveView(CView* view) { m_pActiveView = view; }

CDocument* CMDIChildWnd::GetActiveDocument() const {
    if (m_pActiveView && m_pActiveView->GetDocument()) return m_pActiveView->GetDocument();
    return m_pDocument;
}

void CMDIChildWnd::InitialUpdateFrame(CDocument* document, bool makeVisible) {
    std::vector<CView*> views = m_views;  // an update may not add or remove views
    for (CView* view : views) view->OnInitialUpdate();
    OnUpdateFrameTitle();
    if (makeVisible) show();
}

void CMDIChildWnd::ActivateFrame() {
    show();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->show();
        if (QMdiArea* area = sub->mdiArea()) area->setActiveSubWindow(sub);
    } else {
        activateWindow();
    }
    if (m_pActiveView) m_pActiveView->setFocus();
}

void CMDIChildWnd::SetWindowText(const std::string& text) {
    QString title = QString::fromStdString(text);
    setWindowTitle(title);
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->setWindowTitle(title);
}

std::string CMDIChildWnd::GetWindowText() const { return windowTitle().toStdString(); }

void CMDIChildWnd::OnUpdateFrameTitle() {
    // A document holding changes its file lacks is marked, as editors mark unsaved files.
    if (CDocument* doc = GetActiveDocument())
        SetWindowText(doc->GetTitle() + (doc->IsModified() ? " *" : ""));
}

bool CMDIChildWnd::OnCmdMsg(int id) {
    if (m_pActiveView && m_pActiveView->OnCmdMsg(id)) return true;
    return OnFrameCommand(id);
}

bool CMDIChildWnd::OnUpdateCmdUI(int id, bool* enabled) const {
    if (m_pActiveView && m_pActiveView->OnUpdateCmdUI(id, enabled)) return true;
    return OnFrameUpdateCmdUI(id, enabled);
}

void CMDIChildWnd::SetTimer(int id, int milliseconds) {
    KillTimer(id);
    int qtId = startTimer(milliseconds);
    if (qtId) m_timers[qtId] = id;
}

void CMDIChildWnd::KillTimer(int id) {
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second == id) {
            killTimer(it->first);
            m_timers.erase(it);
            return;
        }
    }
}

bool CMDIChildWnd::HasTimer(int id) const {
    for (const auto& [qtId, ours] : m_timers)
        if (ours == id) return true;
    return false;
}

void CMDIChildWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    OnSize(0, event->size().width(), event->size().height());
}

void CMDIChildWnd::timerEvent(QTimerEvent* event) {
    auto it = m_timers.find(event->timerId());
    OnTimer(it != m_timers.end() ? it->second : event->timerId());
}
