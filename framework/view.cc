#include "framework/view.h"

#include <QResizeEvent>
#include <algorithm>

#include "framework/document.h"
#include "framework/frame.h"

IMPLEMENT_DYNAMIC(CView, CObject)

CView::CView() { setAttribute(Qt::WA_OpaquePaintEvent, false); }

CView::~CView() {
    if (m_pDocument) m_pDocument->RemoveView(this);
    if (m_pFrame) {
        auto& views = m_pFrame->m_views;
        views.erase(std::remove(views.begin(), views.end(), this), views.end());
        if (m_pFrame->m_pActiveView == this) m_pFrame->m_pActiveView = nullptr;
    }
}

void CView::OnInitialUpdate() {
    if (!m_updatedByDocument) OnUpdate(nullptr, 0, nullptr);
}

void CView::OnUpdate(CView*, long, CObject*) { update(); }

cartera::Status CView::ExportToPdf(const std::string&) {
    return cartera::Status(cartera::ErrorKind::invalid_input, "nothing to export");
}

QRect CView::GetWindowRect() const { return QRect(mapToGlobal(QPoint(0, 0)), size()); }

void CView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    OnSize(0, event->size().width(), event->size().height());
}
