#include "host/qt/quote_box_widget.h"

namespace cartera::qt {

QuoteBoxWidget::QuoteBoxWidget(QWidget* parent)
    : QLineEdit(parent), m_own(std::make_unique<CBaseWndTR>()), m_box(m_own.get()) {
    Init();
}

QuoteBoxWidget::QuoteBoxWidget(CBaseWndTR* box, QWidget* parent) : QLineEdit(parent), m_box(box) {
    if (!m_box) {
        m_own = std::make_unique<CBaseWndTR>();
        m_box = m_own.get();
    }
    Init();
}

QuoteBoxWidget::~QuoteBoxWidget() { m_box->RemoveChangeCallback(m_callback); }

void QuoteBoxWidget::Init() {
    setReadOnly(true);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setText(QString::fromStdString(m_box->GetText()));
    m_callback = m_box->AddChangeCallback(
        [this](const std::string& text) { setText(QString::fromStdString(text)); });
}

}  // namespace cartera::qt
