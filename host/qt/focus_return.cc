#include "host/qt/focus_return.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace cartera::qt {
namespace {

void GiveFocusBack(QWidget* focus) {
    if (!focus || !focus->isVisible()) return;
    QWidget* window = focus->window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    focus->setFocus(Qt::ActiveWindowFocusReason);
}

}  // namespace

FocusReturn::FocusReturn(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }

FocusReturn::~FocusReturn() { qApp->removeEventFilter(this); }

bool FocusReturn::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show && event->type() != QEvent::Hide) return false;
    if (!watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (!widget->isWindow()) return false;
    if (event->type() == QEvent::Show) {
        if (widget->isModal()) m_open.push_back({widget, QApplication::focusWidget()});
        return false;
    }
    for (auto it = m_open.begin(); it != m_open.end(); ++it) {
        if (it->dialog != widget) continue;
        QPointer<QWidget> focus = it->focus;
        m_open.erase(it);
        GiveFocusBack(focus);
        // The platform reports the hidden window's deactivation later, and may hand the
        // activation to another window then: the focus is given back once more after it,
        // unless the program gave it to something in that window meanwhile (a portfolio
        // the dialog opened).
        QTimer::singleShot(0, this, [focus] {
            if (focus &&
                (QApplication::activeWindow() != focus->window() || !QApplication::focusWidget()))
                GiveFocusBack(focus);
        });
        break;
    }
    return false;
}

}  // namespace cartera::qt
